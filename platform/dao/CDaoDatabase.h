#pragma once

#include "platform/dao/CDaoStatement.h"
#include "platform/dao/DaoConstants.h"

#include <QHash>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// A database file, opened shared: other programs may read and write it at
// the same time, and a file they hold locked is waited for a few seconds.
// Failures raise a CDaoException.
class CDaoDatabase {
public:
    static constexpr int s_nBusyTimeoutMs = 3000;
    // An option of Create for a file made to hold a table: the file stays
    // empty until the table is appended, and its header reaches the disk in
    // the table's own write transaction. Creating then costs one transaction
    // and its disk syncs instead of two, and no crash leaves a database
    // without its table.
    static constexpr int s_nCreateWithFirstTable = 0x10000;

    CDaoDatabase();
    ~CDaoDatabase();
    CDaoDatabase(const CDaoDatabase&) = delete;
    CDaoDatabase& operator=(const CDaoDatabase&) = delete;

    // Opens an existing database file. A file that is missing, unreadable or
    // not a database is refused before the engine touches it, so it is never
    // written to.
    void Open(const QString& strName, bool bExclusive = false, bool bReadOnly = false,
              const QString& strConnect = QString());
    // Creates a new, empty database file and opens it; an existing file, of
    // whatever content, is refused and left as it is. Created with
    // s_nCreateWithFirstTable, a file that is still empty when the database
    // closes is removed, so that a failed creation can be tried again.
    void Create(const QString& strName, const QString& strLocale = dbLangGeneral, int nOptions = 0);
    bool IsOpen() const;
    void Close();
    // The full path of the file opened, or last tried.
    QString GetName() const;

    // Runs SQL statements that return no rows.
    void Execute(const QString& strSql);
    // The number of records that the last statement to add, change or
    // delete records did add, change or delete.
    long GetRecordsAffected() const;

    // A write transaction (the calls of DAO's workspace), taken at once, so
    // that another program that writes waits for it to end rather than
    // making it fail halfway. Raise a CDaoException when the engine fails,
    // BeginTrans also while a transaction is open. Rollback does nothing
    // when none is open (a failed commit may have ended it).
    void BeginTrans();
    void CommitTrans();
    void Rollback();

    // A statement for the SQL text. Cached statements are kept for the next
    // call with the same text; use it for texts that recur.
    CDaoStatement Prepare(const QString& strSql, bool bCache);

private:
    friend class CDaoStatement;
    friend class CDaoRecordset;
    friend class CDaoTableDef;

    void Connect(const QString& strName, int nFlags);
    void RefuseUnlessDatabaseFile(const QString& strName) const;
    void CreateEmptyFile(const QString& strName) const;
    void RefuseUnlessWritten();
    void RemoveIfNeverWritten();
    // Raises a CDaoException unless pDatabase is an open database.
    static void RequireOpen(const CDaoDatabase* pDatabase);

    void ReleaseStatement(sqlite3_stmt* pStmt, bool bCache, quint64 nConnection);
    [[noreturn]] void ThrowError(int nResult) const;

    sqlite3* m_pDb = nullptr;
    QString m_strName;
    bool m_bHeaderHeldBack = false;
    quint64 m_nConnection = 0;
    QHash<QString, sqlite3_stmt*> m_statements;
};
