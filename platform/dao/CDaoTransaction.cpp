#include "platform/dao/CDaoTransaction.h"

#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"

CDaoTransaction::CDaoTransaction(CDaoDatabase* pDatabase) : m_pDatabase(pDatabase) {
    m_pDatabase->Execute(QStringLiteral("BEGIN IMMEDIATE"));
}

CDaoTransaction::~CDaoTransaction() {
    if (m_bCommitted)
        return;
    try {
        m_pDatabase->Execute(QStringLiteral("ROLLBACK"));
    } catch (const CDaoException&) {
        // The engine ends a transaction itself on some failures; there is
        // nothing left to roll back then.
    }
}

void CDaoTransaction::Commit() {
    m_pDatabase->Execute(QStringLiteral("COMMIT"));
    m_bCommitted = true;
}
