#pragma once

#include "platform/dao/CDaoEngine.h"
#include "platform/dao/CPgSql.h"
#include "platform/dao/CPgUrl.h"
#include "platform/dao/PgResult.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <memory>
#include <optional>

class CPgCursor;

// A database on a PostgreSQL server, through libpq on one connection. SQL is
// translated from the DAO's dialect (CPgSql); rows come one by one as the
// server sends them, a whole SELECT in one round trip. The connection is one
// cursor's at a time: a statement that needs it while another's rows are
// still coming sets those rows aside first.
//
// A connection that breaks fails the statement that met it; the next one
// connects again, unless the break ended a transaction: then its statements
// fail until the caller rolls it back. Unlike SQLite, a statement that fails
// inside a transaction fails the whole transaction.
class CPgEngine final : public CDaoEngine, public std::enable_shared_from_this<CPgEngine> {
public:
    // Raises a CDaoException with dbErrConnectFailed (or dbErrPasswordNeeded)
    // when no connection comes about.
    static std::shared_ptr<CPgEngine> Connect(const CPgUrl& url, const QString& strPassword,
                                              int nLockTimeoutMs);
    ~CPgEngine() override;
    CPgEngine(const CPgEngine&) = delete;
    CPgEngine& operator=(const CPgEngine&) = delete;

    void Execute(const QString& strSql) override;
    std::unique_ptr<CDaoCursor> Prepare(const QString& strSql, bool bCache) override;
    QList<CDaoField> TableFields(const QString& strTable) override;
    void AppendTable(const QString& strName, const QList<CDaoField>& fields,
                     const QList<CDaoIndexInfo>& indexes) override;
    qint64 ChangedRows() const override;
    bool InTransaction() const override;

    // Sends a cursor's statement; its results are then the cursor's to read
    // with NextRow. False when there was nothing to send (the rollback of a
    // transaction that a broken connection ended already).
    bool Send(CPgCursor* pCursor, const CPgSql::Statement& statement,
              const QList<std::optional<QByteArray>>& parameters);
    // The cursor's next row; nothing at its end. Raises the statement's error.
    PgResult NextRow(CPgCursor* pCursor);
    // Reads and drops the rest of the cursor's results.
    void Abandon(CPgCursor* pCursor);

private:
    CPgEngine(const CPgUrl& url, int nLockTimeoutMs);

    void Open(const QString& strPassword);
    void SetUpSession();
    void NoticeBreak();
    void EnsureConnected();
    void SetAside();
    QList<CPgSql::Statement> Translation(const QString& strSql, bool bCache);
    void RunStatement(const CPgSql::Statement& statement);
    QByteArray PreparedName(const CPgSql::Statement& statement, int nParameters,
                            bool bInTransaction);
    void ForgetPrepared();
    void UndoBegin();
    // Runs PostgreSQL's own SQL at once, all its rows read.
    PgResult RunInternal(const QString& strSql, const QList<QByteArray>& parameters = {});
    void Finish(const CPgSql::Statement& statement, const PGresult* pEnd);
    void KeepNumberingAfterKeys(const QString& strTable);
    const CPgSql::Table* Table(const QString& strName);
    void LoadTable(const QString& strName);

    bool IsBroken(const PGresult* pResult) const;
    [[noreturn]] void Fail(const PGresult* pResult, const CPgSql::Statement& statement,
                           bool bInTransaction);
    [[noreturn]] void ThrowConnectError() const;
    [[noreturn]] void ThrowLost(bool bInTransaction, bool bCommit) const;
    [[noreturn]] void ThrowResultError(const PGresult* pResult) const;

    CPgUrl m_url;
    int m_nLockTimeoutMs;
    PGconn* m_pConn = nullptr;
    QString m_strCaseCollation;
    CPgCursor* m_pActive = nullptr; // whose results the connection carries
    const CPgSql::Statement* m_pActiveStatement = nullptr;
    bool m_bActiveInTransaction = false;
    bool m_bLostInTransaction = false; // a break ended the caller's transaction
    qint64 m_nChangedRows = 0;
    QHash<QString, CPgSql::Table> m_tables;         // by folded name
    QHash<QString, QList<CDaoField>> m_tableFields; // by folded name
    QHash<QString, QList<CPgSql::Statement>> m_translations;
    struct KeptStatement {
        int nRuns = 0;
        QByteArray name; // its name on the server, once prepared
    };
    QHash<QString, KeptStatement> m_kept; // by text
    qint64 m_nPrepared = 0;               // names given on this engine
};
