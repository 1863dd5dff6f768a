#include "engine/store/CAddressRecords.h"
#include "store/CAddressDatabase.h"

// The exact-address lookup. The address's single quotes are doubled, so a
// quote is just a character of it; "=" ignores the case of ASCII letters.
bool CAddressDatabase::FindByEMail(const QString& strEMail) {
    m_strQuery = CAddressRecords::EMailCriteria(strEMail);
    return CAddressRecords(m_pCDaoDatabase.get(), m_schema).FindByEMail(strEMail);
}

// The lookup for a record being edited, which is no twin of itself.
bool CAddressDatabase::FindByEMail(const QString& strEMail, int nExceptID) {
    m_strQuery = CAddressRecords::TwinCriteria(m_schema, strEMail, nExceptID);
    return CAddressRecords(m_pCDaoDatabase.get(), m_schema).FindByEMail(strEMail, nExceptID);
}
