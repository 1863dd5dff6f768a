#pragma once

#include "platform/dao/CDaoField.h"
#include "platform/dao/CDaoIndexInfo.h"
#include "platform/dao/CDaoStatement.h"
#include "platform/dao/DaoConstants.h"

#include <QList>
#include <QString>
#include <memory>

class CDaoEngine;

// A database: a file, opened shared (other programs may read and write it at
// the same time, and a file they hold locked is waited for a few seconds), or
// a PostgreSQL server's database, shared by the users of a team. Callers see
// one dialect of SQL and one behaviour whichever engine is open.
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
    // written to. A connect string that is a PostgreSQL Url
    // (postgresql://...) opens that server's database instead, as OpenServer.
    void Open(const QString& strName, bool bExclusive = false, bool bReadOnly = false,
              const QString& strConnect = QString());
    // Connects to the PostgreSQL database the Url names; strPassword, when
    // not empty, is used unless the Url has one. Refuses a Url that is not
    // PostgreSQL's at once; a server that cannot be reached, or refuses the
    // login, raises a CDaoException with dbErrConnectionFailed.
    void OpenServer(const QString& strUrl, const QString& strPassword = QString());
    // Creates a new, empty database file and opens it; an existing file, of
    // whatever content, is refused and left as it is. Created with
    // s_nCreateWithFirstTable, a file that is still empty when the database
    // closes is removed, so that a failed creation can be tried again.
    void Create(const QString& strName, const QString& strLocale = dbLangGeneral, int nOptions = 0);
    bool IsOpen() const;
    void Close();
    // The full path of the file opened, or last tried; for a server, where
    // it is (user, host, port and database, never a password).
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
    // The fields of a table in their order; none when there is no such table.
    QList<CDaoField> TableFields(const QString& strTable);
    bool HasTable(const QString& strTable);

private:
    friend class CDaoRecordset;
    friend class CDaoTableDef;

    // Raises a CDaoException unless pDatabase is an open database.
    static CDaoEngine& RequireOpen(const CDaoDatabase* pDatabase);

    std::shared_ptr<CDaoEngine> m_pEngine;
    QString m_strName;
};
