#pragma once

#include "platform/dao/CDaoRow.h"
#include "platform/dao/PgResult.h"

#include <QVariant>

// A row of a PostgreSQL result as libpq holds it: a value becomes a QVariant
// only when it is read, so rows that are read once cost one conversion each.
class CPgRow final : public CDaoRow {
public:
    explicit CPgRow(PgResult row) : m_row(std::move(row)) {}

    int ColumnCount() const override;
    QVariant Column(int nIndex) const override;

    // A column of a one-row result by its type on the server: integers as
    // qlonglong, booleans as 0 or 1, other numbers as double, the rest as
    // text; null for a null or a column beyond the last.
    static QVariant Value(const PGresult* pRow, int nIndex);

private:
    PgResult m_row;
};
