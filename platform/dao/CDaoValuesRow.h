#pragma once

#include "platform/dao/CDaoRow.h"

#include <QList>
#include <QVariant>

// A row whose values were read out of the statement as it stood on it.
class CDaoValuesRow final : public CDaoRow {
public:
    explicit CDaoValuesRow(QVariantList values) : m_values(std::move(values)) {}

    int ColumnCount() const override { return int(m_values.size()); }
    QVariant Column(int nIndex) const override { return m_values.value(nIndex); }

private:
    QVariantList m_values;
};
