#pragma once

#include "platform/dao/CDaoCursor.h"
#include "platform/dao/CPgSql.h"
#include "platform/dao/PgResult.h"

#include <QByteArray>
#include <QList>
#include <deque>
#include <exception>
#include <memory>
#include <optional>

class CPgEngine;

// One statement on a PostgreSQL connection. Step sends it with its
// parameters the first time and then reads one row per call as the server
// sends them; rows that another statement set aside come from memory.
class CPgCursor final : public CDaoCursor {
public:
    CPgCursor(std::weak_ptr<CPgEngine> pEngine, CPgSql::Statement statement);
    ~CPgCursor() override;
    CPgCursor(const CPgCursor&) = delete;
    CPgCursor& operator=(const CPgCursor&) = delete;

    void Bind(int nIndex, const QVariant& value) override;
    bool Step() override;
    void Reset() override;
    int ColumnCount() const override;
    QVariant Column(int nIndex) const override;
    QByteArrayView ColumnUtf8(int nIndex) const override;
    // Hands the row over as libpq has it, unconverted; the cursor then has
    // no current row until its next Step.
    std::unique_ptr<CDaoRow> TakeRow() override;

    // Reads the rest of the rows into memory, so that the engine can give
    // the connection to another statement; an error is kept for Step.
    void SetAside(CPgEngine& engine);

private:
    std::shared_ptr<CPgEngine> Engine() const;
    bool NextRow(CPgEngine& engine);

    std::weak_ptr<CPgEngine> m_pEngine;
    CPgSql::Statement m_statement;
    QList<std::optional<QByteArray>> m_parameters;
    bool m_bRunning = false;
    std::deque<PgResult> m_setAside;
    bool m_bSetAsideToEnd = false;
    std::exception_ptr m_setAsideError;
    PgResult m_row;
};
