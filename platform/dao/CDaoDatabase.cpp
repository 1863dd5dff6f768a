#include "platform/dao/CDaoDatabase.h"

#include "platform/dao/CDaoException.h"
#include "platform/dao/CSqlText.h"
#include "platform/dao/DaoSqlFunctions.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

constexpr qsizetype kMaxCachedStatements = 64;
constexpr char kSqliteHeader[] = "SQLite format 3"; // with its zero byte: 16 bytes

QString FullPath(const QString& strName) {
    return QFileInfo(strName).absoluteFilePath();
}

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

} // namespace

CDaoDatabase::CDaoDatabase() = default;

CDaoDatabase::~CDaoDatabase() {
    Close();
}

void CDaoDatabase::Open(const QString& strName, bool bExclusive, bool bReadOnly,
                        const QString& /*strConnect: there is no other engine to connect to*/) {
    Close();
    m_strName = FullPath(strName);
    RefuseUnlessDatabaseFile(m_strName);
    try {
        Connect(m_strName, bReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
        if (bExclusive)
            Execute(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
        // Reading the schema proves the file is a sound database (or reports
        // why not) before anyone relies on it.
        CDaoStatement check = Prepare(QStringLiteral("SELECT count(*) FROM sqlite_schema"), false);
        check.Step();
        RefuseUnlessWritten();
    } catch (const CDaoException&) {
        Close();
        throw;
    }
}

void CDaoDatabase::Create(const QString& strName, const QString& /*strLocale*/, int nOptions) {
    Close();
    m_strName = FullPath(strName);
    CreateEmptyFile(m_strName);
    try {
        Connect(m_strName, SQLITE_OPEN_READWRITE);
        m_bHeaderHeldBack = (nOptions & s_nCreateWithFirstTable) != 0;
        // Writes the file's header, so that the new file is a database at once.
        if (!m_bHeaderHeldBack)
            Execute(QStringLiteral("PRAGMA user_version = 0"));
    } catch (const CDaoException&) {
        Close();
        QFile::remove(m_strName);
        throw;
    }
}

bool CDaoDatabase::IsOpen() const {
    return m_pDb != nullptr;
}

void CDaoDatabase::Close() {
    for (sqlite3_stmt* pStmt : std::as_const(m_statements))
        sqlite3_finalize(pStmt);
    m_statements.clear();
    // Statements still held elsewhere finalise themselves; close_v2 waits for them.
    sqlite3_close_v2(m_pDb);
    m_pDb = nullptr;
    ++m_nConnection;
    RemoveIfNeverWritten();
}

QString CDaoDatabase::GetName() const {
    return m_strName;
}

void CDaoDatabase::Execute(const QString& strSql) {
    RequireOpen(this);
    char* pError = nullptr;
    const int nResult = sqlite3_exec(m_pDb, strSql.toUtf8().constData(), nullptr, nullptr, &pError);
    sqlite3_free(pError);
    if (nResult != SQLITE_OK)
        ThrowError(nResult);
}

long CDaoDatabase::GetRecordsAffected() const {
    return m_pDb ? long(sqlite3_changes(m_pDb)) : 0;
}

void CDaoDatabase::BeginTrans() {
    Execute(QStringLiteral("BEGIN IMMEDIATE"));
}

void CDaoDatabase::CommitTrans() {
    Execute(QStringLiteral("COMMIT"));
}

void CDaoDatabase::Rollback() {
    RequireOpen(this);
    if (!sqlite3_get_autocommit(m_pDb))
        Execute(QStringLiteral("ROLLBACK"));
}

void CDaoDatabase::Connect(const QString& strName, int nFlags) {
    const int nResult =
        sqlite3_open_v2(QFile::encodeName(strName).constData(), &m_pDb, nFlags, nullptr);
    if (nResult != SQLITE_OK) {
        const QString strError = QString::fromUtf8(sqlite3_errmsg(m_pDb));
        Close();
        throw CDaoException(
            QStringLiteral("The file \"%1\" cannot be opened: %2.").arg(strName, strError), nResult,
            strName);
    }
    sqlite3_extended_result_codes(m_pDb, 1);
    sqlite3_busy_timeout(m_pDb, s_nBusyTimeoutMs);
    const int nRegistered = RegisterDaoFunctions(m_pDb);
    if (nRegistered != SQLITE_OK)
        ThrowError(nRegistered);
}

void CDaoDatabase::RefuseUnlessDatabaseFile(const QString& strName) const {
    const QFileInfo info(strName);
    if (!info.exists())
        throw CDaoException(QStringLiteral("The file \"%1\" does not exist.").arg(strName),
                            SQLITE_CANTOPEN, strName);
    QFile file(strName);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        throw CDaoException(QStringLiteral("The file \"%1\" cannot be read: %2.")
                                .arg(strName, info.isFile() ? file.errorString()
                                                            : QStringLiteral("it is a folder")),
                            SQLITE_CANTOPEN, strName);
    if (file.read(sizeof kSqliteHeader) != QByteArray(kSqliteHeader, sizeof kSqliteHeader))
        throw CDaoException(
            QStringLiteral("The file \"%1\" is not a database (it is not an SQLite 3 file).")
                .arg(strName),
            SQLITE_NOTADB, strName);
}

// Made with O_EXCL, so that a file that appears meanwhile is never taken over.
void CDaoDatabase::CreateEmptyFile(const QString& strName) const {
    const int fd = ::open(QFile::encodeName(strName).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST)
        throw CDaoException(QStringLiteral("The file \"%1\" exists already.").arg(strName),
                            SQLITE_CANTOPEN, strName);
    if (fd < 0)
        throw CDaoException(QStringLiteral("The file \"%1\" cannot be created: %2.")
                                .arg(strName, QString::fromLocal8Bit(std::strerror(errno))),
                            SQLITE_CANTOPEN, strName);
    ::close(fd);
}

// A crash before the first commit leaves a hot journal, and the engine's
// recovery takes the file back to no page at all: no database, although the
// file may have shown a header before.
void CDaoDatabase::RefuseUnlessWritten() {
    CDaoStatement pages = Prepare(QStringLiteral("PRAGMA page_count"), false);
    if (pages.Step() && pages.Column(0).toLongLong() > 0)
        return;
    throw CDaoException(
        QStringLiteral("The file \"%1\" is not a database (its creation did not finish).")
            .arg(m_strName),
        SQLITE_NOTADB, m_strName);
}

// An empty file that was made here is no database; left behind, it would be
// refused by every later start instead of being created afresh.
void CDaoDatabase::RemoveIfNeverWritten() {
    if (m_bHeaderHeldBack && QFileInfo(m_strName).size() == 0)
        QFile::remove(m_strName);
    m_bHeaderHeldBack = false;
}

void CDaoDatabase::RequireOpen(const CDaoDatabase* pDatabase) {
    if (pDatabase == nullptr || pDatabase->m_pDb == nullptr)
        throw CDaoException(QStringLiteral("The database is not open."));
}

CDaoStatement CDaoDatabase::Prepare(const QString& strSql, bool bCache) {
    RequireOpen(this);
    if (bCache) {
        if (sqlite3_stmt* pCached = m_statements.take(strSql))
            return CDaoStatement(this, pCached, true, m_nConnection);
    }
    const QByteArray utf8 = WithZeroCharactersSpelled(strSql).toUtf8();
    sqlite3_stmt* pStmt = nullptr;
    const int nResult = sqlite3_prepare_v3(m_pDb, utf8.constData(), int(utf8.size()),
                                           bCache ? SQLITE_PREPARE_PERSISTENT : 0, &pStmt, nullptr);
    if (nResult != SQLITE_OK)
        ThrowError(nResult);
    return CDaoStatement(this, pStmt, bCache, m_nConnection);
}

void CDaoDatabase::ReleaseStatement(sqlite3_stmt* pStmt, bool bCache, quint64 nConnection) {
    sqlite3_reset(pStmt);
    sqlite3_clear_bindings(pStmt);
    const QString strSql = QString::fromUtf8(sqlite3_sql(pStmt));
    if (!bCache || nConnection != m_nConnection || m_statements.size() >= kMaxCachedStatements ||
        m_statements.contains(strSql)) {
        sqlite3_finalize(pStmt);
        return;
    }
    m_statements.insert(strSql, pStmt);
}

void CDaoDatabase::ThrowError(int nResult) const {
    const QString strMessage = QString::fromUtf8(sqlite3_errmsg(m_pDb));
    const int nPrimary = nResult & 0xFF;
    if (nPrimary == SQLITE_BUSY || nPrimary == SQLITE_LOCKED)
        throw CDaoException(
            QStringLiteral("The database file \"%1\" is locked by another program; try again "
                           "when it is free.")
                .arg(m_strName),
            nResult, m_strName);
    // A rule of the file names itself in its constraint's name.
    const QString strCheckFailed = QStringLiteral("CHECK constraint failed: ");
    if (nResult == SQLITE_CONSTRAINT_CHECK && strMessage.startsWith(strCheckFailed))
        throw CDaoException(strMessage.mid(strCheckFailed.size()), nResult, m_strName);
    throw CDaoException(strMessage, nResult, m_strName);
}
