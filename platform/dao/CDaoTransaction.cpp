#include "platform/dao/CDaoTransaction.h"

#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"

CDaoTransaction::CDaoTransaction(CDaoDatabase& database, Mode mode) : m_database(database) {
    m_database.Execute(mode == Immediate ? QStringLiteral("BEGIN IMMEDIATE")
                                         : QStringLiteral("BEGIN"));
}

CDaoTransaction::~CDaoTransaction() {
    if (!m_bOpen)
        return;
    try {
        m_database.Execute(QStringLiteral("ROLLBACK"));
    } catch (const CDaoException&) {
        // A failed statement or a broken connection may have ended it already.
    }
}

void CDaoTransaction::Commit() {
    m_database.Execute(QStringLiteral("COMMIT"));
    m_bOpen = false;
}
