#pragma once

#include "platform/dao/CDaoField.h"
#include "platform/dao/CDaoIndexInfo.h"

#include <QList>
#include <QString>
#include <memory>

class CDaoCursor;

// One open connection of a database engine behind CDaoDatabase. The engines
// differ in how they connect, quote, stream rows and match Jet's wildcards;
// the SQL they take is the one dialect the DAO classes and their callers
// write (SQLite's, with Jet's LIKE and bracketed names), and each runs it in
// its own form. Every call raises a CDaoException when the engine fails.
class CDaoEngine {
public:
    virtual ~CDaoEngine() = default;

    // Runs statements that return no rows.
    virtual void Execute(const QString& strSql) = 0;
    // A statement for the SQL text. Cached statements are kept for the next
    // call with the same text; use it for texts that recur.
    virtual std::unique_ptr<CDaoCursor> Prepare(const QString& strSql, bool bCache) = 0;
    // The fields of a table in their order, with the row key marked as
    // numbered by the database; none when there is no such table.
    virtual QList<CDaoField> TableFields(const QString& strTable) = 0;
    // Writes a new table with its fields and indexes, whole or not at all.
    virtual void AppendTable(const QString& strName, const QList<CDaoField>& fields,
                             const QList<CDaoIndexInfo>& indexes) = 0;
    // The rows that the latest INSERT, UPDATE or DELETE changed.
    virtual qint64 ChangedRows() const = 0;
    // Whether a transaction is open, or was ended by a failure that the
    // caller has not yet rolled back.
    virtual bool InTransaction() const = 0;
};
