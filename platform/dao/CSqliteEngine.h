#pragma once

#include "platform/dao/CDaoEngine.h"

#include <QHash>
#include <QString>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// A database file through SQLite, opened shared: other programs may read and
// write it at the same time, and a file they hold locked is waited for a few
// seconds. LIKE is the DAO's own function with Jet's wildcards; text fields
// compare ASCII letters in either case alike (COLLATE NOCASE).
class CSqliteEngine final : public CDaoEngine, public std::enable_shared_from_this<CSqliteEngine> {
public:
    // Opens an existing database file. A file that is missing, unreadable or
    // not a database is refused before SQLite touches it, so it is never
    // written to.
    static std::shared_ptr<CSqliteEngine> Open(const QString& strPath, bool bExclusive,
                                               bool bReadOnly, int nBusyTimeoutMs);
    // Creates a new, empty database file and opens it; an existing file, of
    // whatever content, is refused and left as it is. With bHeaderHeldBack the
    // file stays empty until the first table is appended, and a file still
    // empty when the engine closes is removed.
    static std::shared_ptr<CSqliteEngine> Create(const QString& strPath, bool bHeaderHeldBack,
                                                 int nBusyTimeoutMs);
    ~CSqliteEngine() override;
    CSqliteEngine(const CSqliteEngine&) = delete;
    CSqliteEngine& operator=(const CSqliteEngine&) = delete;

    void Execute(const QString& strSql) override;
    std::unique_ptr<CDaoCursor> Prepare(const QString& strSql, bool bCache) override;
    QList<CDaoField> TableFields(const QString& strTable) override;
    void AppendTable(const QString& strName, const QList<CDaoField>& fields,
                     const QList<CDaoIndexInfo>& indexes) override;
    qint64 ChangedRows() const override;
    bool InTransaction() const override;

    // A statement done with: reset and kept for the next Prepare of its text
    // when it was cached, finalised otherwise.
    void ReleaseStatement(sqlite3_stmt* pStmt, bool bCache);
    [[noreturn]] void ThrowError(int nResult) const;

private:
    CSqliteEngine(const QString& strPath, int nBusyTimeoutMs);

    void Connect(int nFlags);
    static void RefuseUnlessDatabaseFile(const QString& strPath);
    static void CreateEmptyFile(const QString& strPath);
    void RefuseUnlessWritten();
    void RemoveIfNeverWritten();

    sqlite3* m_pDb = nullptr;
    QString m_strPath;
    int m_nBusyTimeoutMs;
    bool m_bHeaderHeldBack = false;
    QHash<QString, sqlite3_stmt*> m_statements;
};
