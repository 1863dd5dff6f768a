#include "platform/dao/CDaoStatement.h"

#include "platform/dao/CDaoDatabase.h"

#include <sqlite3.h>
#include <utility>

CDaoStatement::CDaoStatement(CDaoDatabase* pDatabase, sqlite3_stmt* pStmt, bool bCached,
                             quint64 nConnection)
    : m_pDatabase(pDatabase), m_pStmt(pStmt), m_bCached(bCached), m_nConnection(nConnection) {}

CDaoStatement::CDaoStatement(CDaoStatement&& other) noexcept
    : m_pDatabase(other.m_pDatabase), m_pStmt(std::exchange(other.m_pStmt, nullptr)),
      m_bCached(other.m_bCached), m_nConnection(other.m_nConnection) {}

CDaoStatement& CDaoStatement::operator=(CDaoStatement&& other) noexcept {
    if (this != &other) {
        Release();
        m_pDatabase = other.m_pDatabase;
        m_pStmt = std::exchange(other.m_pStmt, nullptr);
        m_bCached = other.m_bCached;
        m_nConnection = other.m_nConnection;
    }
    return *this;
}

CDaoStatement::~CDaoStatement() {
    Release();
}

void CDaoStatement::Bind(int nIndex, const QVariant& value) {
    int nResult = SQLITE_OK;
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        nResult = sqlite3_bind_null(m_pStmt, nIndex);
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
        nResult = sqlite3_bind_int64(m_pStmt, nIndex, value.toLongLong());
        break;
    default: {
        const QByteArray utf8 = value.toString().toUtf8();
        nResult = sqlite3_bind_text(m_pStmt, nIndex, utf8.constData(), int(utf8.size()),
                                    SQLITE_TRANSIENT);
        break;
    }
    }
    if (nResult != SQLITE_OK)
        m_pDatabase->ThrowError(nResult);
}

bool CDaoStatement::Step() {
    const int nResult = sqlite3_step(m_pStmt);
    if (nResult == SQLITE_ROW)
        return true;
    if (nResult == SQLITE_DONE)
        return false;
    // Reset only after the error is read, so that it releases its locks at once.
    try {
        m_pDatabase->ThrowError(nResult);
    } catch (...) {
        sqlite3_reset(m_pStmt);
        throw;
    }
}

void CDaoStatement::Reset() {
    sqlite3_reset(m_pStmt);
}

int CDaoStatement::ColumnCount() const {
    return sqlite3_column_count(m_pStmt);
}

QVariant CDaoStatement::Column(int nIndex) const {
    switch (sqlite3_column_type(m_pStmt, nIndex)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(m_pStmt, nIndex));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_pStmt, nIndex);
    case SQLITE_TEXT: {
        const auto* pText = reinterpret_cast<const char*>(sqlite3_column_text(m_pStmt, nIndex));
        return QString::fromUtf8(pText, sqlite3_column_bytes(m_pStmt, nIndex));
    }
    case SQLITE_BLOB: {
        const auto* pBlob = static_cast<const char*>(sqlite3_column_blob(m_pStmt, nIndex));
        return QByteArray(pBlob, sqlite3_column_bytes(m_pStmt, nIndex));
    }
    default:
        return QVariant();
    }
}

QByteArrayView CDaoStatement::ColumnUtf8(int nIndex) const {
    const auto* pText = reinterpret_cast<const char*>(sqlite3_column_text(m_pStmt, nIndex));
    return QByteArrayView(pText, pText == nullptr ? 0 : sqlite3_column_bytes(m_pStmt, nIndex));
}

void CDaoStatement::Release() {
    if (m_pStmt != nullptr)
        m_pDatabase->ReleaseStatement(std::exchange(m_pStmt, nullptr), m_bCached, m_nConnection);
}
