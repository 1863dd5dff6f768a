#pragma once

#include <QByteArrayView>
#include <QVariant>

struct sqlite3_stmt;
class CDaoDatabase;

// A prepared statement of a CDaoDatabase. When it is done with, it is reset
// and handed back to the database's cache, or finalised.
class CDaoStatement {
public:
    CDaoStatement() = default;
    CDaoStatement(CDaoDatabase* pDatabase, sqlite3_stmt* pStmt, bool bCached, quint64 nConnection);
    CDaoStatement(CDaoStatement&& other) noexcept;
    CDaoStatement& operator=(CDaoStatement&& other) noexcept;
    CDaoStatement(const CDaoStatement&) = delete;
    CDaoStatement& operator=(const CDaoStatement&) = delete;
    ~CDaoStatement();

    bool IsNull() const { return m_pStmt == nullptr; }

    // Parameters count from 1. A null QVariant binds NULL.
    void Bind(int nIndex, const QVariant& value);
    // True with a row to read, false when the statement has finished.
    // Raises a CDaoException when the engine fails.
    bool Step();
    void Reset();

    int ColumnCount() const;
    // A column of the current row: null, qlonglong, double, QString or QByteArray.
    QVariant Column(int nIndex) const;
    // A column of the current row as the UTF-8 text SQLite holds (a number
    // as its text, null as nothing), without a copy: valid until the next
    // Step or Reset. For reading many rows fast.
    QByteArrayView ColumnUtf8(int nIndex) const;

private:
    void Release();

    CDaoDatabase* m_pDatabase = nullptr;
    sqlite3_stmt* m_pStmt = nullptr;
    bool m_bCached = false;
    quint64 m_nConnection = 0;
};
