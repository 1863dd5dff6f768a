#include "store/CAddressDatabase.h"

#include "engine/send/CCsvRunLog.h"
#include "engine/send/CTeamSendLog.h"
#include "engine/store/CAddressRecords.h"
#include "engine/store/CreateTable.h"
#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"
#include "platform/dao/CDaoIndexInfo.h"
#include "platform/dao/CDaoTableDef.h"
#include "platform/dao/CDaoTransaction.h"
#include "platform/dao/CPgUrl.h"
#include "platform/mfc/CMDIFrameWnd.h"
#include "platform/settings/CPasswordStore.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/CListCtrl.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CProgressIndicator.h"

#include <QFileInfo>
#include <new>
#include <sqlite3.h>

namespace {

void ShowDaoError(const CDaoException& e) {
    AfxMessageBox(e.m_pErrorInfo->m_strDescription, MB_OK);
}

// Append writes the table whole or not at all; a failure is shown like the
// other creation steps.
bool AppendTable(CDaoTableDef& tableDef, const CDaoIndexInfo& primaryKey) {
    try {
        tableDef.CreateIndex(primaryKey);
        tableDef.Append();
        return true;
    } catch (const CDaoException& e) {
        ShowDaoError(e);
        return false;
    }
}

bool IsConnectionFault(const CDaoException& e) {
    const long lCode = e.m_pErrorInfo->m_lErrorCode;
    return lCode == dbErrConnectFailed || lCode == dbErrPasswordNeeded ||
           lCode == dbErrConnectionLost;
}

} // namespace

CAddressDatabase::CAddressDatabase(CMDIFrameWnd* pFrame) : m_pFrame(pFrame) {
    m_pCDaoDatabase.reset(new (std::nothrow) CDaoDatabase);
    if (!m_pCDaoDatabase)
        AfxMessageBox(QStringLiteral("ERROR: Can not create m_pCDaoDatabase."), MB_OK);
    else {
        m_pCDaoTableDef.reset(new (std::nothrow) CDaoTableDef(m_pCDaoDatabase.get()));
        if (!m_pCDaoTableDef)
            AfxMessageBox(QStringLiteral("ERROR: Can not create m_pCDaoTableDef."), MB_OK);
    }
    m_schema.m_strFile = QStringLiteral("Addresses.mdb");
    m_schema.m_strTable = QStringLiteral("ADDRESSES");
    m_schema.m_nKeyField = 0;
    m_schema.m_nLabelField = 2;
    m_schema.m_nSortField1 = 0;
    m_schema.m_nSortField2 = 1;
    m_schema.AppendField(QStringLiteral("ID_Address"), dbLong, 4, LVCFMT_LEFT, dbAutoIncrField);
    m_schema.AppendField(QStringLiteral("Date"), dbDate, 60, LVCFMT_CENTER, 0);
    m_schema.AppendField(QStringLiteral("EMail"), dbText, 200, LVCFMT_LEFT, 0);
    m_schema.AppendField(QStringLiteral("Prefix"), dbText, 50, LVCFMT_LEFT, 0);
    m_schema.AppendField(QStringLiteral("Name"), dbText, 150, LVCFMT_LEFT, 0);
    m_schema.AppendField(QStringLiteral("Template"), dbText, 100, LVCFMT_LEFT, 0);
    for (int nMy = 1; nMy <= 5; ++nMy)
        m_schema.AppendField(QStringLiteral("MY_%1").arg(nMy), dbMemo, 0, LVCFMT_LEFT, 0);
    m_schema.m_nFields = int(m_schema.m_arrName.size());
}

CAddressDatabase::~CAddressDatabase() {
    if (m_pCDaoTableDef) {
        if (m_pCDaoTableDef->IsOpen())
            m_pCDaoTableDef->Close();
        m_pCDaoTableDef.reset();
    }
    if (m_pCDaoDatabase) {
        if (m_pCDaoDatabase->IsOpen())
            m_pCDaoDatabase->Close();
        m_pCDaoDatabase.reset();
    }
}

QString CAddressDatabase::ServerUrl() {
    return CProfileSettings::GetProfileString(CProfileSettings::kSectionDatabase,
                                              CProfileSettings::kKeyUrl)
        .trimmed();
}

// libpq looks in ~/.pgpass (or PGPASSFILE) itself when the keyring has none.
QString CAddressDatabase::ServerPassword(const QString& strUrl) {
    try {
        const CPgUrl url(strUrl);
        return CPasswordStore::Lookup(url.KeyringServer(), url.User()).value_or(QString());
    } catch (const CDaoException&) {
        return QString(); // the connection says what is wrong with the Url
    }
}

std::unique_ptr<CRunLog> CAddressDatabase::OpenRunLog(const QString& strCsvPath) const {
    if (m_strServerUrl.isEmpty())
        return std::make_unique<CCsvRunLog>(strCsvPath);
    return CTeamSendLog::Connect(m_strServerUrl, ServerPassword(m_strServerUrl), strCsvPath);
}

bool CAddressDatabase::OpenOrCreate() {
    if (m_pCDaoDatabase && m_pCDaoDatabase->IsOpen())
        return true;
    if (const QString strUrl = ServerUrl(); !strUrl.isEmpty())
        return OpenServer(strUrl);
    const QFileInfo file(m_schema.m_strFile);
    while (!OpenDatabase(m_schema.m_strFile, false)) {
        if (!m_pCDaoDatabase || !(file.exists() || file.isSymLink()))
            return CreateDatabase(m_schema);
        if (!m_bOpenBusy)
            return ReportUnusableFile();
        // Nothing is wrong with a file that another program holds locked:
        // the user may let that program finish and try again.
        if (AfxMessageBox(QStringLiteral("The address file \"%1\" is in use by another program, "
                                         "which holds it locked.\n\nChoose Retry once that "
                                         "program is done with it. Cancel goes on without it: "
                                         "addresses can neither be listed nor saved until "
                                         "Corvane is started again.")
                              .arg(file.absoluteFilePath()),
                          MB_RETRYCANCEL) != IDRETRY)
            return false;
    }
    return true;
}

// A file that is there but cannot be used is never created over: it is left
// as it is, and the user learns once which file it is and why.
bool CAddressDatabase::ReportUnusableFile() {
    AfxMessageBox(QStringLiteral("The address file \"%1\" could not be opened and was left "
                                 "untouched:\n\n%2\n\nAddresses can neither be listed nor "
                                 "saved until the file is repaired or moved away.")
                      .arg(QFileInfo(m_schema.m_strFile).absoluteFilePath(), m_strOpenError),
                  MB_OK);
    return false;
}

// With a server set, the file is never used instead: nothing is written to
// Addresses.mdb when the server cannot be reached. A server that cannot be
// reached, or refuses the login, may be tried again.
bool CAddressDatabase::OpenServer(const QString& strUrl) {
    if (!m_pCDaoDatabase)
        return false;
    for (;;) {
        try {
            m_pCDaoDatabase->OpenServer(strUrl, ServerPassword(strUrl));
            m_strServerUrl = strUrl;
            return m_pCDaoDatabase->HasTable(m_schema.m_strTable) || CreateAddressTable(m_schema);
        } catch (const CDaoException& e) {
            m_pCDaoDatabase->Close();
            if (!IsConnectionFault(e)) {
                AfxMessageBox(QStringLiteral("The address book's database could not be "
                                             "opened:\n\n%1\n\nCorrect the database in File > "
                                             "Database Settings... and start Corvane again.")
                                  .arg(e.m_pErrorInfo->m_strDescription),
                              MB_OK);
                return false;
            }
            QString strText = QStringLiteral("%1\n\nChoose Retry once the server can be "
                                             "reached. Cancel goes on without it: addresses can "
                                             "neither be listed nor saved until Corvane is "
                                             "started again.")
                                  .arg(e.m_pErrorInfo->m_strDescription);
            if (e.m_pErrorInfo->m_lErrorCode == dbErrPasswordNeeded)
                strText += QStringLiteral("\n\nThe server asks for a password: enter it in "
                                          "File > Database Settings..., or put it into "
                                          "~/.pgpass.");
            if (AfxMessageBox(strText, MB_RETRYCANCEL) != IDRETRY)
                return false;
        }
    }
}

bool CAddressDatabase::OpenDatabase(const QString& strPath, bool bCreate) {
    if (!m_pCDaoDatabase)
        return false;
    try {
        // The file's header waits for the table, so that both cost one write
        // transaction and the file is never a database without its table.
        if (bCreate)
            m_pCDaoDatabase->Create(strPath, QString::fromLatin1(dbLangGeneral),
                                    CDaoDatabase::s_nCreateWithFirstTable);
        else
            m_pCDaoDatabase->Open(strPath, false, false, QString());
        return true;
    } catch (const CDaoException& e) {
        m_strOpenError = e.m_pErrorInfo->m_strDescription;
        const long nPrimary = e.m_pErrorInfo->m_lErrorCode & 0xFF;
        m_bOpenBusy = nPrimary == SQLITE_BUSY || nPrimary == SQLITE_LOCKED;
        return false;
    }
}

bool CAddressDatabase::CreateDatabase(const CTableSchema& schema) {
    return OpenDatabase(schema.m_strFile, true) && CreateAddressTable(schema);
}

// The table with its fields and primary index, each step's failure shown.
// A table that could not be made leaves the database closed: a new file,
// still empty, is removed so that the next start creates it afresh instead
// of refusing it, and later work meets a closed store.
bool CAddressDatabase::CreateAddressTable(const CTableSchema& schema) {
    bool bDone = CreateTableDef(schema.m_strTable);
    for (int i = 0; bDone && i < schema.m_nFields; ++i)
        bDone = AddField(schema.m_arrName[i], short(schema.m_arrType[i]), schema.m_arrSize[i],
                         schema.m_arrAttributes[i]);
    if (bDone && AppendTable(*m_pCDaoTableDef, PrimaryKeyIndex(schema)))
        return true;
    m_pCDaoDatabase->Close();
    return false;
}

bool CAddressDatabase::CreateTableDef(const QString& strName) {
    if (!m_pCDaoTableDef)
        return false;
    try {
        m_pCDaoTableDef->Create(strName, 0, QString(), QString());
        return true;
    } catch (const CDaoException& e) {
        ShowDaoError(e);
        return false;
    }
}

bool CAddressDatabase::AddField(const QString& strName, short nType, int nSize, int nAttributes) {
    if (!m_pCDaoTableDef)
        return false;
    try {
        m_pCDaoTableDef->CreateField(strName, nType, nSize, nAttributes);
        return true;
    } catch (const CDaoException& e) {
        ShowDaoError(e);
        return false;
    }
}

int CAddressDatabase::CountRecords(const QString& strTable) {
    CTableSchema schema = m_schema;
    schema.m_strTable = strTable;
    return CAddressRecords(m_pCDaoDatabase.get(), schema).Count();
}

void CAddressDatabase::DeleteSelected(CListCtrl* pList) {
    const int nItem = pList->GetNextItem(-1, LVNI_SELECTED);
    if (nItem < 0) {
        MessageBoxA(nullptr, QStringLiteral("Please select a record(s) for delete."), QString(),
                    MB_OK);
        return;
    }
    const int nSelected = pList->GetSelectedCount();
    if (nSelected == 1)
        m_strQuery = QStringLiteral("Delete a record \"%1\" from Table?")
                         .arg(pList->GetItemText(nItem, m_schema.m_nLabelField));
    else
        m_strQuery = QStringLiteral("Delete those %1 records from Table?").arg(nSelected);
    if (AfxMessageBox(m_strQuery, MB_YESNO) != IDYES)
        return;
    // The key field's type decides how every row finds its record.
    if (!KeyCriteria(pList->GetItemText(nItem, m_schema.m_nKeyField), &m_strQuery))
        return;
    pList->DeleteItems(DeleteRecordsOf(*pList));
    if (m_pFrame != nullptr)
        m_pFrame->SetMessageText(QString());
}

// The records of the selected rows, top to bottom, in one transaction: one
// write to the disk for all of them, and a failure deletes none. Returns the
// rows whose records are gone, for the caller to remove once they are.
std::vector<int> CAddressDatabase::DeleteRecordsOf(const CListCtrl& list) {
    CProgressIndicator progress(*this, QStringLiteral("Deleting Records: "));
    CAddressRecords records(m_pCDaoDatabase.get(), m_schema);
    CDaoTransaction transaction(*m_pCDaoDatabase, CDaoTransaction::Immediate);
    const int nSelected = list.GetSelectedCount();
    std::vector<int> arrRows;
    arrRows.reserve(nSelected);
    for (int nItem = list.GetNextItem(-1, LVNI_SELECTED); nItem != -1;
         nItem = list.GetNextItem(nItem, LVNI_SELECTED)) {
        // A record that another program deleted meanwhile only loses its row.
        records.DeleteByKey(list.GetItemText(nItem, m_schema.m_nKeyField));
        arrRows.push_back(nItem);
        progress.SetPos(qint64(arrRows.size()), nSelected);
    }
    transaction.Commit();
    return arrRows;
}

bool CAddressDatabase::SaveRecord(const QStringList& arrValues, bool bAdd) {
    CAddressRecords records(m_pCDaoDatabase.get(), m_schema);
    if (bAdd) {
        records.Add(arrValues);
        return true;
    }
    m_strQuery = CAddressRecords::IdCriteria(arrValues.value(0));
    if (!records.Update(arrValues)) {
        m_strQuery = QStringLiteral("Not found \"%1\" in Database.").arg(m_strQuery);
        AfxMessageBox(m_strQuery, MB_OK);
        return false;
    }
    return true;
}

// The criteria that finds a row's record by its key; a key field of another
// type than text or number is reported.
bool CAddressDatabase::KeyCriteria(const QString& strKey, QString* pCriteria) {
    const std::optional<QString> criteria = CAddressRecords::KeyCriteria(m_schema, strKey);
    if (!criteria) {
        AfxMessageBox(QStringLiteral("DataType not dbText or dbLong."), MB_OK);
        return false;
    }
    *pCriteria = *criteria;
    return true;
}
