#pragma once

#include <QVariant>

// One row of a statement's result, kept after the statement has moved on.
// Columns count from 0.
class CDaoRow {
public:
    virtual ~CDaoRow() = default;

    virtual int ColumnCount() const = 0;
    // Null, qlonglong, double, QString or QByteArray; null beyond the last
    // column.
    virtual QVariant Column(int nIndex) const = 0;
};
