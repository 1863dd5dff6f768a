#pragma once

#include "platform/ui/MessageBoxes.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class CCorvaneApp;
class CListView_Table;
class CMainFrame;
class QDialog;
class QWidget;

// A fresh Corvane for one test, as a user starts it in an empty folder: a
// temporary working folder (where the store creates its file), the
// application with its two kinds of window and its main frame, shown. The
// shared globals start and end empty. Message boxes are recorded and
// answered from a script, else with OK/Yes.
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
    bool WriteFile(const QString& strName, const QByteArray& bytes) const;

    // A command as its menu item or key sends it.
    void Command(unsigned nID);
    int ChildCount() const;
    // The table view of the active child window, or null.
    CListView_Table* ActiveTable() const;
    QString ActiveTitle() const;

    // Runs answer on the first modal widget with this object name as soon as
    // it is up, and again while it stays up; answer must end it.
    static void WhenModal(const QString& strObjectName, std::function<void(QWidget*)> answer);
    // The same for the first modal widget that match accepts.
    static void WhenModal(std::function<bool(QWidget*)> match,
                          std::function<void(QWidget*)> answer);
    // Runs answer once on the dialog with this object name as soon as it is
    // up, modal and active (keys go to its focus). The answer must end the
    // dialog. Deleting the returned object stops the wait.
    static QObject* WhenDialog(const QString& strObjectName, std::function<void(QDialog*)> answer);

    // Types the texts of a record dialog's fields over what they hold, in
    // field order (EMail, Prefix, Name, Template, MY_1 ... MY_5).
    static void TypeRecord(QDialog* pDialog, const QStringList& arrTexts);
    // Add Address: one dialog saves the records in turn and is closed.
    void AddAddresses(const QList<QStringList>& records);
    static void Click(QDialog* pDialog, const QString& strButton);
    // Picks strPath in the next file dialog, as the user types it into the
    // name field; with bConfirmReplace also answers Yes to replacing it.
    static void AnswerFileDialog(const QString& strPath, bool bConfirmReplace = false);
    // A record as the record dialog hands it to the store: key 0, dated
    // today, prefix "Dr.", template "offer.txt", the five memos blank.
    static QStringList RecordValues(const QString& strEMail,
                                    const QString& strName = QStringLiteral("Smith"));

    // The records as another SQLite client reads the file: ID_Address, Date
    // as stored, then the nine texts; ordered by ID_Address.
    QList<QStringList> StoredRecords() const;
    // Another SQLite client, one that does not hold the file's rules, changes it.
    bool ExecuteSql(const QString& strSql) const;

    QStringList BoxTexts() const;
    // Answers for the next boxes, in turn; IDOK or IDYES when none is left.
    QList<int> m_arrAnswers;
    QList<MessageBoxCall> m_arrBoxes;

private:
    QTemporaryDir m_dir;
    QString m_strPreviousDir;
    MessageBoxHandler m_previousBoxes;
    std::unique_ptr<CCorvaneApp> m_pApp;
    bool m_bReady = false;
};
