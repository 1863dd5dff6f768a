#include "platform/dao/CSqliteEngine.h"

#include "platform/dao/CDaoException.h"
#include "platform/dao/CSqlText.h"
#include "platform/dao/CSqliteCursor.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoSqlFunctions.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

constexpr qsizetype kMaxCachedStatements = 64;
constexpr char kSqliteHeader[] = "SQLite format 3"; // with its zero byte: 16 bytes

// SQLite reads a statement only up to its first zero character, so a quoted
// text that holds one (an address pasted with it) is written as its pieces
// joined with char(0).
QString WithZeroCharactersSpelled(const QString& strSql) {
    if (!strSql.contains(QChar(u'\0')))
        return strSql;
    QString strResult;
    for (const CSqlText::Token& token : CSqlText::Tokenize(strSql)) {
        QString strToken = strSql.sliced(token.nBegin, token.nEnd - token.nBegin);
        if (token.kind == CSqlText::Token::String) {
            strToken.replace(QChar(u'\0'), QStringLiteral("' || char(0) || '"));
            strToken = u'(' + strToken + u')';
        }
        strResult += strToken;
    }
    return strResult;
}

bool SameName(const QString& strFirst, const QString& strSecond) {
    return strFirst.compare(strSecond, Qt::CaseInsensitive) == 0;
}

const CDaoIndexInfo* PrimaryIndex(const QList<CDaoIndexInfo>& indexes) {
    const auto it = std::find_if(indexes.begin(), indexes.end(),
                                 [](const CDaoIndexInfo& index) { return index.m_bPrimary; });
    return it == indexes.end() ? nullptr : &*it;
}

// A primary index on one Long field makes that field the row's own key, which
// SQLite numbers itself; the index's name stands in the table's definition.
QString KeyClause(const CDaoField& field, const CDaoIndexInfo* pPrimary) {
    if (pPrimary == nullptr || pPrimary->m_fieldInfos.size() != 1 || field.m_nType != dbLong ||
        !SameName(pPrimary->m_fieldInfos.front().m_strName, field.m_strName))
        return QString();
    QString strClause =
        QStringLiteral("CONSTRAINT %1 PRIMARY KEY").arg(CSqlText::QuoteName(pPrimary->m_strName));
    if (field.IsAutoNumber())
        strClause += QStringLiteral(" AUTOINCREMENT");
    return strClause;
}

QString IndexColumns(const CDaoIndexInfo& index) {
    QStringList columns;
    for (const CDaoIndexFieldInfo& fieldInfo : index.m_fieldInfos)
        columns.append(CSqlText::QuoteName(fieldInfo.m_strName) +
                       (fieldInfo.m_bDescending ? QStringLiteral(" DESC") : QString()));
    return columns.join(QStringLiteral(", "));
}

QString CreateTableSql(const QString& strName, const QList<CDaoField>& fields,
                       const QList<CDaoIndexInfo>& indexes) {
    const CDaoIndexInfo* pPrimary = PrimaryIndex(indexes);
    QStringList definitions;
    bool bKeyInColumn = false;
    for (const CDaoField& field : fields) {
        const QString strKeyClause = KeyClause(field, pPrimary);
        bKeyInColumn = bKeyInColumn || !strKeyClause.isEmpty();
        if (field.IsAutoNumber() && strKeyClause.isEmpty())
            throw CDaoException(QStringLiteral("Field '%1' is numbered by the database, so it "
                                               "must be the table's one-field primary key.")
                                    .arg(field.m_strName));
        definitions.append(field.Declaration(strKeyClause));
    }
    if (pPrimary != nullptr && !bKeyInColumn)
        definitions.append(
            QStringLiteral("CONSTRAINT %1 PRIMARY KEY (%2)")
                .arg(CSqlText::QuoteName(pPrimary->m_strName), IndexColumns(*pPrimary)));
    return QStringLiteral("CREATE TABLE %1 (%2)")
        .arg(CSqlText::QuoteName(strName), definitions.join(QStringLiteral(", ")));
}

QString CreateIndexSql(const QString& strTable, const CDaoIndexInfo& index) {
    return QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
        .arg(index.m_bUnique ? QStringLiteral("UNIQUE ") : QString(),
             CSqlText::QuoteName(index.m_strName), CSqlText::QuoteName(strTable),
             IndexColumns(index));
}

} // namespace

CSqliteEngine::CSqliteEngine(const QString& strPath, int nBusyTimeoutMs)
    : m_strPath(strPath), m_nBusyTimeoutMs(nBusyTimeoutMs) {}

std::shared_ptr<CSqliteEngine> CSqliteEngine::Open(const QString& strPath, bool bExclusive,
                                                   bool bReadOnly, int nBusyTimeoutMs) {
    RefuseUnlessDatabaseFile(strPath);
    std::shared_ptr<CSqliteEngine> pEngine(new CSqliteEngine(strPath, nBusyTimeoutMs));
    pEngine->Connect(bReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    if (bExclusive)
        pEngine->Execute(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
    // Reading the schema proves the file is a sound database (or reports
    // why not) before anyone relies on it.
    pEngine->Prepare(QStringLiteral("SELECT count(*) FROM sqlite_schema"), false)->Step();
    pEngine->RefuseUnlessWritten();
    return pEngine;
}

std::shared_ptr<CSqliteEngine> CSqliteEngine::Create(const QString& strPath, bool bHeaderHeldBack,
                                                     int nBusyTimeoutMs) {
    CreateEmptyFile(strPath);
    std::shared_ptr<CSqliteEngine> pEngine(new CSqliteEngine(strPath, nBusyTimeoutMs));
    try {
        pEngine->Connect(SQLITE_OPEN_READWRITE);
        pEngine->m_bHeaderHeldBack = bHeaderHeldBack;
        // Writes the file's header, so that the new file is a database at once.
        if (!bHeaderHeldBack)
            pEngine->Execute(QStringLiteral("PRAGMA user_version = 0"));
    } catch (const CDaoException&) {
        pEngine.reset();
        QFile::remove(strPath);
        throw;
    }
    return pEngine;
}

CSqliteEngine::~CSqliteEngine() {
    for (sqlite3_stmt* pStmt : std::as_const(m_statements))
        sqlite3_finalize(pStmt);
    // Statements still held elsewhere finalise themselves; close_v2 waits for them.
    sqlite3_close_v2(m_pDb);
    RemoveIfNeverWritten();
}

void CSqliteEngine::Execute(const QString& strSql) {
    char* pError = nullptr;
    const int nResult = sqlite3_exec(m_pDb, strSql.toUtf8().constData(), nullptr, nullptr, &pError);
    sqlite3_free(pError);
    if (nResult != SQLITE_OK)
        ThrowError(nResult);
}

std::unique_ptr<CDaoCursor> CSqliteEngine::Prepare(const QString& strSql, bool bCache) {
    if (bCache) {
        if (sqlite3_stmt* pCached = m_statements.take(strSql))
            return std::make_unique<CSqliteCursor>(weak_from_this(), pCached, true);
    }
    const QByteArray utf8 = WithZeroCharactersSpelled(strSql).toUtf8();
    sqlite3_stmt* pStmt = nullptr;
    const int nResult = sqlite3_prepare_v3(m_pDb, utf8.constData(), int(utf8.size()),
                                           bCache ? SQLITE_PREPARE_PERSISTENT : 0, &pStmt, nullptr);
    if (nResult != SQLITE_OK)
        ThrowError(nResult);
    return std::make_unique<CSqliteCursor>(weak_from_this(), pStmt, bCache);
}

QList<CDaoField> CSqliteEngine::TableFields(const QString& strTable) {
    const std::unique_ptr<CDaoCursor> pColumns =
        Prepare(QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?1)"), true);
    pColumns->Bind(1, strTable);
    struct Column {
        QString strName;
        QString strType;
        bool bKey;
    };
    QList<Column> table;
    while (pColumns->Step())
        table.append({pColumns->Column(0).toString(), pColumns->Column(1).toString(),
                      pColumns->Column(2).toLongLong() > 0});
    // Only a lone INTEGER key column is the row's own number.
    const auto nKeys =
        std::count_if(table.begin(), table.end(), [](const Column& column) { return column.bKey; });
    QList<CDaoField> fields;
    for (const Column& column : std::as_const(table)) {
        const bool bRowKey = column.bKey && nKeys == 1 &&
                             column.strType.compare(u"INTEGER", Qt::CaseInsensitive) == 0;
        fields.append(CDaoField::FromColumn(column.strName, column.strType, bRowKey));
    }
    return fields;
}

void CSqliteEngine::AppendTable(const QString& strName, const QList<CDaoField>& fields,
                                const QList<CDaoIndexInfo>& indexes) {
    QStringList statements{CreateTableSql(strName, fields, indexes)};
    for (const CDaoIndexInfo& index : indexes) {
        if (!index.m_bPrimary)
            statements.append(CreateIndexSql(strName, index));
    }
    Execute(QStringLiteral("SAVEPOINT dao_append"));
    try {
        for (const QString& strSql : std::as_const(statements))
            Execute(strSql);
        Execute(QStringLiteral("RELEASE dao_append"));
    } catch (const CDaoException&) {
        Execute(QStringLiteral("ROLLBACK TO dao_append; RELEASE dao_append"));
        throw;
    }
}

qint64 CSqliteEngine::ChangedRows() const {
    return sqlite3_changes64(m_pDb);
}

bool CSqliteEngine::InTransaction() const {
    return sqlite3_get_autocommit(m_pDb) == 0;
}

void CSqliteEngine::Connect(int nFlags) {
    const int nResult =
        sqlite3_open_v2(QFile::encodeName(m_strPath).constData(), &m_pDb, nFlags, nullptr);
    if (nResult != SQLITE_OK) {
        const QString strError = QString::fromUtf8(sqlite3_errmsg(m_pDb));
        sqlite3_close_v2(std::exchange(m_pDb, nullptr));
        throw CDaoException(
            QStringLiteral("The file \"%1\" cannot be opened: %2.").arg(m_strPath, strError),
            nResult, m_strPath);
    }
    sqlite3_extended_result_codes(m_pDb, 1);
    sqlite3_busy_timeout(m_pDb, m_nBusyTimeoutMs);
    const int nRegistered = RegisterDaoFunctions(m_pDb);
    if (nRegistered != SQLITE_OK)
        ThrowError(nRegistered);
}

void CSqliteEngine::RefuseUnlessDatabaseFile(const QString& strPath) {
    const QFileInfo info(strPath);
    if (!info.exists())
        throw CDaoException(QStringLiteral("The file \"%1\" does not exist.").arg(strPath),
                            SQLITE_CANTOPEN, strPath);
    QFile file(strPath);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        throw CDaoException(QStringLiteral("The file \"%1\" cannot be read: %2.")
                                .arg(strPath, info.isFile() ? file.errorString()
                                                            : QStringLiteral("it is a folder")),
                            SQLITE_CANTOPEN, strPath);
    if (file.read(sizeof kSqliteHeader) != QByteArray(kSqliteHeader, sizeof kSqliteHeader))
        throw CDaoException(
            QStringLiteral("The file \"%1\" is not a database (it is not an SQLite 3 file).")
                .arg(strPath),
            SQLITE_NOTADB, strPath);
}

// Made with O_EXCL, so that a file that appears meanwhile is never taken over.
void CSqliteEngine::CreateEmptyFile(const QString& strPath) {
    const int fd = ::open(QFile::encodeName(strPath).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST)
        throw CDaoException(QStringLiteral("The file \"%1\" exists already.").arg(strPath),
                            SQLITE_CANTOPEN, strPath);
    if (fd < 0)
        throw CDaoException(QStringLiteral("The file \"%1\" cannot be created: %2.")
                                .arg(strPath, QString::fromLocal8Bit(std::strerror(errno))),
                            SQLITE_CANTOPEN, strPath);
    ::close(fd);
}

// A crash before the first commit leaves a hot journal, and the engine's
// recovery takes the file back to no page at all: no database, although the
// file may have shown a header before.
void CSqliteEngine::RefuseUnlessWritten() {
    const std::unique_ptr<CDaoCursor> pPages = Prepare(QStringLiteral("PRAGMA page_count"), false);
    if (pPages->Step() && pPages->Column(0).toLongLong() > 0)
        return;
    throw CDaoException(
        QStringLiteral("The file \"%1\" is not a database (its creation did not finish).")
            .arg(m_strPath),
        SQLITE_NOTADB, m_strPath);
}

// An empty file that was made here is no database; left behind, it would be
// refused by every later start instead of being created afresh.
void CSqliteEngine::RemoveIfNeverWritten() {
    if (m_bHeaderHeldBack && QFileInfo(m_strPath).size() == 0)
        QFile::remove(m_strPath);
}

void CSqliteEngine::ReleaseStatement(sqlite3_stmt* pStmt, bool bCache) {
    sqlite3_reset(pStmt);
    sqlite3_clear_bindings(pStmt);
    const QString strSql = QString::fromUtf8(sqlite3_sql(pStmt));
    if (!bCache || m_statements.size() >= kMaxCachedStatements || m_statements.contains(strSql)) {
        sqlite3_finalize(pStmt);
        return;
    }
    m_statements.insert(strSql, pStmt);
}

void CSqliteEngine::ThrowError(int nResult) const {
    const QString strMessage = QString::fromUtf8(sqlite3_errmsg(m_pDb));
    const int nPrimary = nResult & 0xFF;
    if (nPrimary == SQLITE_BUSY || nPrimary == SQLITE_LOCKED)
        throw CDaoException(
            QStringLiteral("The database file \"%1\" is locked by another program; try again "
                           "when it is free.")
                .arg(m_strPath),
            nResult, m_strPath);
    // A rule of the file names itself in its constraint's name.
    const QString strCheckFailed = QStringLiteral("CHECK constraint failed: ");
    if (nResult == SQLITE_CONSTRAINT_CHECK && strMessage.startsWith(strCheckFailed))
        throw CDaoException(strMessage.mid(strCheckFailed.size()), nResult, m_strPath);
    throw CDaoException(strMessage, nResult, m_strPath);
}
