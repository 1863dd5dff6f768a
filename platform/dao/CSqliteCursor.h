#pragma once

#include "platform/dao/CDaoCursor.h"

#include <memory>

struct sqlite3_stmt;
class CSqliteEngine;

// A prepared SQLite statement. When it is done with, it goes back to its
// engine's cache, or is finalised when the engine has closed meanwhile.
class CSqliteCursor final : public CDaoCursor {
public:
    CSqliteCursor(std::weak_ptr<CSqliteEngine> pEngine, sqlite3_stmt* pStmt, bool bCached);
    ~CSqliteCursor() override;
    CSqliteCursor(const CSqliteCursor&) = delete;
    CSqliteCursor& operator=(const CSqliteCursor&) = delete;

    void Bind(int nIndex, const QVariant& value) override;
    bool Step() override;
    void Reset() override;
    int ColumnCount() const override;
    QVariant Column(int nIndex) const override;
    QByteArrayView ColumnUtf8(int nIndex) const override;

private:
    [[noreturn]] void ThrowError(int nResult) const;

    std::weak_ptr<CSqliteEngine> m_pEngine;
    sqlite3_stmt* m_pStmt;
    bool m_bCached;
};
