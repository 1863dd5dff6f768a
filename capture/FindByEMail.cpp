#include "platform/dao/CDaoRecordset.h"
#include "platform/dao/CSqlText.h"
#include "store/CAddressDatabase.h"

// The exact-address lookup. The address's single quotes are doubled, so a
// quote is just a character of it; "=" ignores the case of ASCII letters.
bool CAddressDatabase::FindByEMail(const QString& strEMail) {
    m_strQuery = QStringLiteral("EMail = '%1'").arg(CSqlText::EscapeQuotes(strEMail));
    CDaoRecordset recordset(m_pCDaoDatabase.get());
    recordset.Open(AFX_DAO_USE_DEFAULT_TYPE, SelectAll(m_schema.m_strTable), 0);
    const bool bFound = recordset.FindFirst(m_strQuery);
    recordset.Close();
    return bFound;
}
