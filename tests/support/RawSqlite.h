#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <sqlite3.h>

// A second, plain SQLite connection to a file, standing for another program
// that uses the same database.
class RawSqlite {
public:
    explicit RawSqlite(const QString& strPath) {
        sqlite3_open_v2(QFile::encodeName(strPath).constData(), &m_pDb, SQLITE_OPEN_READWRITE,
                        nullptr);
    }
    ~RawSqlite() { sqlite3_close_v2(m_pDb); }
    RawSqlite(const RawSqlite&) = delete;
    RawSqlite& operator=(const RawSqlite&) = delete;

    // Runs statements; returns the SQLite result code.
    int Exec(const QString& strSql) {
        return sqlite3_exec(m_pDb, strSql.toUtf8().constData(), nullptr, nullptr, nullptr);
    }

    QString ErrorMessage() const { return QString::fromUtf8(sqlite3_errmsg(m_pDb)); }

    // The first column of every row, as text; a null reads "<null>".
    QStringList Column(const QString& strSql) {
        QStringList values;
        sqlite3_stmt* pStmt = nullptr;
        if (sqlite3_prepare_v2(m_pDb, strSql.toUtf8().constData(), -1, &pStmt, nullptr) !=
            SQLITE_OK)
            return {QStringLiteral("<error: %1>").arg(ErrorMessage())};
        while (sqlite3_step(pStmt) == SQLITE_ROW) {
            const auto* pText = reinterpret_cast<const char*>(sqlite3_column_text(pStmt, 0));
            values.append(pText == nullptr ? QStringLiteral("<null>") : QString::fromUtf8(pText));
        }
        sqlite3_finalize(pStmt);
        return values;
    }

    QString Value(const QString& strSql) { return Column(strSql).value(0); }

private:
    sqlite3* m_pDb = nullptr;
};
