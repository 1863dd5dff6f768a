#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>

// The SQL the DAO classes and their callers write (SQLite's dialect: '?' and
// '?N' parameters, [bracketed] and bare names in any letter case, Jet's LIKE
// wildcards, BEGIN IMMEDIATE, rowid) in PostgreSQL's form. Only a known
// subset passes: names become quoted identifiers with the letter case the
// catalog has, every quoted text becomes a bound parameter, a LIKE pattern
// becomes a case-insensitive regular expression compiled once, and "="
// between a text field and a text compares ASCII letters in either case
// alike, as SQLite's COLLATE NOCASE does. Function calls other than a few
// aggregates, and symbols outside SQL's arithmetic and comparison, are
// refused, so no text from outside reaches the server as SQL.
class CPgSql {
public:
    // What the translation needs of a table: its name and its fields' names
    // as the catalog spells them, its row key, and which fields hold text.
    struct Table {
        QString strName;
        QHash<QString, QString> columns; // by ASCII lower-case name
        QString strKey;                  // the one-field primary key, or empty
        QSet<QString> textColumns;       // as the catalog spells them
    };
    using TableLookup = std::function<const Table*(const QString& strName)>;

    struct Statement {
        enum Kind { Other, Begin, Commit, Rollback };
        Kind kind = Other;
        QString strText;
        // The caller's parameters are $1 to $nCallerParameters; the texts of
        // the statement follow them, in order.
        int nCallerParameters = 0;
        QList<QByteArray> constants;
        // An INSERT that sets the table's row key itself.
        QString strKeyedInsertTable;
        // The table the statement reads or writes, when the server lacks it.
        QString strMissingTable;
        // Run often: worth preparing on the server once.
        bool bKept = false;
    };

    // The statements of strSql, split at its semicolons. strCaseCollation,
    // when not empty, is the collation whose letter cases a LIKE compares.
    // Raises a CDaoException for what it does not translate.
    static QList<Statement> Translate(const QString& strSql, const TableLookup& lookup,
                                      const QString& strCaseCollation);

    // A text as a parameter takes it, in UTF-8; raises a CDaoException for
    // the zero character, which a server's text cannot hold.
    static QByteArray TextParameter(const QString& strText);
    // A name as PostgreSQL quotes it.
    static QString QuoteIdentifier(const QString& strName);
    // ASCII letters in lower case; how names are compared.
    static QString FoldName(const QString& strName);
};
