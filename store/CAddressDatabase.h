#pragma once

#include "engine/merge/CMergedMail.h"
#include "engine/store/CTableSchema.h"
#include "platform/ui/CProgressCtrl.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class CDaoDatabase;
class CDaoTableDef;
class CListCtrl;
class CMDIFrameWnd;
class CRunLog;
struct CHtmlMail;

// The one store object: the address database and its table, plus the
// operations that the clipboard capture, the mail merge and the main frame
// host here. The database is the file Addresses.mdb of the start folder, or
// the PostgreSQL database that the settings name ([Database] Url), which a
// team shares. Those live in their own folders (capture/, merge/, app/).
// pFrame is the main window whose status bar shows the progress indicator;
// a store without one shows none.
class CAddressDatabase {
public:
    explicit CAddressDatabase(CMDIFrameWnd* pFrame = nullptr);
    ~CAddressDatabase();
    CAddressDatabase(const CAddressDatabase&) = delete;
    CAddressDatabase& operator=(const CAddressDatabase&) = delete;

    // The Url of the team's database in the settings; empty for the file.
    static QString ServerUrl();
    // The password the desktop keyring holds for the Url's login, if any.
    static QString ServerPassword(const QString& strUrl);
    // The send log of a run on this address book: on a team's server the
    // team's log, on a connection of its own for the run's thread; else
    // the file strCsvPath. Throws CDaoException when the server's log
    // cannot be reached.
    std::unique_ptr<CRunLog> OpenRunLog(const QString& strCsvPath) const;

    // Opening and creating the file, or connecting to the server and creating
    // the table there on first use (store/).
    bool OpenOrCreate();
    bool OpenDatabase(const QString& strPath, bool bCreate);
    bool CreateDatabase(const CTableSchema& schema);
    bool CreateTableDef(const QString& strName);
    bool AddField(const QString& strName, short nType, int nSize, int nAttributes);

    // Address records (store/).
    int CountRecords(const QString& strTable);
    void DeleteSelected(CListCtrl* pList);
    bool SaveRecord(const QStringList& arrValues, bool bAdd);

    // Clipboard capture (capture/).
    QString GetClipboardText();
    QString ExtractEMail(QString strText);
    bool FindByEMail(const QString& strEMail);
    // The same among the records other than the one keyed nExceptID.
    bool FindByEMail(const QString& strEMail, int nExceptID);

    // Mail merge (merge/).
    int ListFiles(QString strFolder, QStringList* pArray, QString strExtension);
    void AssembleMail(CListCtrl& list, int nItem, QString* pPreview, bool bSend);
    // The same from the start folder given; the four-argument form (app/)
    // passes the folder the program started in.
    void AssembleMail(CListCtrl& list, int nItem, QString* pPreview, bool bSend,
                      const QString& strStartDir);
    // The mail of table row nItem from its template in strStartDir, shown
    // nowhere; nothing when the template cannot be opened.
    std::optional<CMergedMail> MergeMail(CListCtrl& list, int nItem, const QString& strStartDir);
    bool SendMapiMail(QString strName, QString strAddress, QString strSubject, QString strText,
                      QString strAttachments);
    // The same; *pMessageId gets the Message-ID the mail library gave a sent
    // mail, or stays empty when the library cannot tell (merge/).
    bool SendMapiMail(QString strName, QString strAddress, QString strSubject, QString strText,
                      QString strAttachments, QString* pMessageId);
    // A Markdown template's mail: strText is its text part, html its HTML
    // and the images it shows (merge/). A mail library that cannot send
    // formatted mail fails the send as one that does not support it.
    bool SendMapiMail(QString strName, QString strAddress, QString strSubject, QString strText,
                      QString strAttachments, const CHtmlMail& html, QString* pMessageId);

    // Status-bar progress indicator (app/).
    void StartProgress(QString strLabel);

    QString m_strQuery;
    CTableSchema m_schema;
    std::unique_ptr<CDaoDatabase> m_pCDaoDatabase;
    std::unique_ptr<CDaoTableDef> m_pCDaoTableDef;
    CProgressCtrl m_wndProgress;

private:
    bool KeyCriteria(const QString& strKey, QString* pCriteria);
    std::vector<int> DeleteRecordsOf(const CListCtrl& list);

    bool ReportUnusableFile();
    bool OpenServer(const QString& strUrl);
    bool CreateAddressTable(const CTableSchema& schema);

    QString m_strOpenError;   // why the file could not be opened or created
    bool m_bOpenBusy = false; // another program held the file locked
    QString m_strServerUrl;   // the team's database the store is on; empty for the file
    CMDIFrameWnd* m_pFrame;
};
