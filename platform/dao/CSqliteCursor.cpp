#include "platform/dao/CSqliteCursor.h"

#include "platform/dao/CDaoException.h"
#include "platform/dao/CSqliteEngine.h"

#include <sqlite3.h>

CSqliteCursor::CSqliteCursor(std::weak_ptr<CSqliteEngine> pEngine, sqlite3_stmt* pStmt,
                             bool bCached)
    : m_pEngine(std::move(pEngine)), m_pStmt(pStmt), m_bCached(bCached) {}

CSqliteCursor::~CSqliteCursor() {
    if (const std::shared_ptr<CSqliteEngine> pEngine = m_pEngine.lock())
        pEngine->ReleaseStatement(m_pStmt, m_bCached);
    else
        sqlite3_finalize(m_pStmt);
}

void CSqliteCursor::Bind(int nIndex, const QVariant& value) {
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
        ThrowError(nResult);
}

bool CSqliteCursor::Step() {
    const int nResult = sqlite3_step(m_pStmt);
    if (nResult == SQLITE_ROW)
        return true;
    if (nResult == SQLITE_DONE)
        return false;
    // Reset only after the error is read, so that it releases its locks at once.
    try {
        ThrowError(nResult);
    } catch (...) {
        sqlite3_reset(m_pStmt);
        throw;
    }
}

void CSqliteCursor::Reset() {
    sqlite3_reset(m_pStmt);
}

int CSqliteCursor::ColumnCount() const {
    return sqlite3_column_count(m_pStmt);
}

QVariant CSqliteCursor::Column(int nIndex) const {
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

QByteArrayView CSqliteCursor::ColumnUtf8(int nIndex) const {
    const auto* pText = reinterpret_cast<const char*>(sqlite3_column_text(m_pStmt, nIndex));
    return QByteArrayView(pText, pText == nullptr ? 0 : sqlite3_column_bytes(m_pStmt, nIndex));
}

// The engine words its errors; a statement that outlived its engine has only
// SQLite's own text.
void CSqliteCursor::ThrowError(int nResult) const {
    if (const std::shared_ptr<CSqliteEngine> pEngine = m_pEngine.lock())
        pEngine->ThrowError(nResult);
    throw CDaoException(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_pStmt))), nResult);
}
