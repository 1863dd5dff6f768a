#include "platform/dao/CDaoTransaction.h"

#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"

CDaoTransaction::CDaoTransaction(CDaoDatabase* pDatabase) : m_pDatabase(pDatabase) {
    if (m_pDatabase == nullptr)
        throw CDaoException(QStringLiteral("The database is not open."));
    m_pDatabase->BeginTrans();
}

// A destructor must not throw: a rollback that fails leaves the engine to end
// the transaction when the connection closes.
CDaoTransaction::~CDaoTransaction() {
    if (!m_bOpen)
        return;
    try {
        m_pDatabase->Rollback();
    } catch (const CDaoException&) {
    }
}

void CDaoTransaction::Commit() {
    m_pDatabase->CommitTrans();
    m_bOpen = false;
}
