#pragma once

#include "platform/ui/MessageBoxes.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class CCorvaneApp;
class CMainFrame;
class QWidget;

// Corvane as a user starts it in an empty folder: a temporary working folder
// (the store creates Addresses.mdb there), the application object, and its
// main frame, shown. Message boxes are recorded and answered with OK/Yes.
class CAppFixture {
public:
    // prepare runs in the empty folder before the application starts.
    explicit CAppFixture(const std::function<void(const QString&)>& prepare = {});
    ~CAppFixture();
    CAppFixture(const CAppFixture&) = delete;
    CAppFixture& operator=(const CAppFixture&) = delete;

    bool IsReady() const { return m_bReady; }
    CCorvaneApp* App() const { return m_pApp.get(); }
    CMainFrame* Frame() const;
    QString Dir() const { return m_dir.path(); }
    QString FilePath(const QString& strName) const { return m_dir.filePath(strName); }

    // A command as its menu item or key sends it.
    void Command(unsigned nID);
    int ChildCount() const;
    QStringList BoxTexts() const;

    // Runs answer on the first modal widget with this object name as soon as
    // it is up, and again while it stays up; answer must end it.
    static void WhenModal(const QString& strObjectName, std::function<void(QWidget*)> answer);
    // The same for the first modal widget that match accepts.
    static void WhenModal(std::function<bool(QWidget*)> match,
                          std::function<void(QWidget*)> answer);

    QList<MessageBoxCall> m_arrBoxes;

private:
    QTemporaryDir m_dir;
    QString m_strPreviousDir;
    MessageBoxHandler m_previousBoxes;
    std::unique_ptr<CCorvaneApp> m_pApp;
    bool m_bReady = false;
};
