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

// A fresh Corvane for one test, as a user starts it in an empty folder: a
// temporary working folder (where the store creates its file), the
// application with its two kinds of window and its main frame, shown.
// Message boxes are recorded and answered from a script.
class CTestCorvane {
public:
    CTestCorvane();
    ~CTestCorvane();
    CTestCorvane(const CTestCorvane&) = delete;
    CTestCorvane& operator=(const CTestCorvane&) = delete;

    bool IsReady() const { return m_bReady; }
    CMainFrame* Frame() const;
    CCorvaneApp* App() const { return m_pApp.get(); }
    QString FilePath(const QString& strName) const { return m_dir.filePath(strName); }
    bool WriteFile(const QString& strName, const QByteArray& bytes) const;

    // A command as a menu item sends it.
    void Command(unsigned nID);
    // The table view of the active child window, or null.
    CListView_Table* ActiveTable() const;
    QString ActiveTitle() const;
    int ChildCount() const;

    // Runs answer on the dialog with this object name as soon as it is up
    // and modal. The answer must end the dialog. Deleting the returned
    // object stops the wait.
    static QObject* WhenModal(const QString& strObjectName, std::function<void(QDialog*)> answer);
    // Types the texts of a record dialog's fields over what they hold, in
    // field order (EMail, Prefix, Name, Template, MY_1 ... MY_5).
    static void TypeRecord(QDialog* pDialog, const QStringList& arrTexts);
    // Add Address: one dialog saves the records in turn and is closed.
    void AddAddresses(const QList<QStringList>& records);
    static void Click(QDialog* pDialog, const QString& strButton);

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
