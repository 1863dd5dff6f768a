#include "platform/dao/CDaoRecordset.h"
#include "platform/dao/CSqlText.h"
#include "store/CAddressDatabase.h"

namespace {

// The address's single quotes are doubled, so a quote is just a character
// of it; "=" ignores the case of ASCII letters.
QString EMailCriteria(const QString& strEMail) {
    return QStringLiteral("EMail = '%1'").arg(CSqlText::EscapeQuotes(strEMail));
}

bool FindFirst(CDaoDatabase* pDatabase, const QString& strTable, const QString& strCriteria) {
    CDaoRecordset recordset(pDatabase);
    recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, QStringLiteral("SELECT * FROM %1").arg(strTable), 0);
    const bool bFound = recordset.FindFirst(strCriteria);
    recordset.Close();
    return bFound;
}

} // namespace

// The exact-address lookup.
bool CAddressDatabase::FindByEMail(const QString& strEMail) {
    m_strQuery = EMailCriteria(strEMail);
    return FindFirst(m_pCDaoDatabase.get(), m_schema.m_strTable, m_strQuery);
}

// The lookup for a record being edited, which is no twin of itself.
bool CAddressDatabase::FindByEMail(const QString& strEMail, int nExceptID) {
    m_strQuery = QStringLiteral("%1 AND %2 <> %3")
                     .arg(EMailCriteria(strEMail), m_schema.m_arrName[m_schema.m_nKeyField])
                     .arg(nExceptID);
    return FindFirst(m_pCDaoDatabase.get(), m_schema.m_strTable, m_strQuery);
}
