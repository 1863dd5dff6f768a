#pragma once

#include "platform/dao/CDaoValuesRow.h"

#include <QByteArrayView>
#include <QVariant>
#include <memory>

// One prepared statement of a database engine, as CDaoStatement hands it
// out. Parameters count from 1; columns from 0. Raises a CDaoException when
// the engine fails.
class CDaoCursor {
public:
    virtual ~CDaoCursor() = default;

    // A null QVariant binds NULL; numbers bind as numbers, anything else as text.
    virtual void Bind(int nIndex, const QVariant& value) = 0;
    // True with a row to read, false when the statement has finished.
    virtual bool Step() = 0;
    // Ends the run, so that the next Step runs the statement again.
    virtual void Reset() = 0;

    virtual int ColumnCount() const = 0;
    // A column of the current row: null, qlonglong, double, QString or QByteArray.
    virtual QVariant Column(int nIndex) const = 0;
    // A column of the current row as UTF-8 text (a number as its text, null
    // as nothing), without a copy: valid until the next Step or Reset.
    virtual QByteArrayView ColumnUtf8(int nIndex) const = 0;
    // The current row, to be read after the cursor has moved on. An engine
    // may hand it over whole, leaving the cursor without a current row.
    virtual std::unique_ptr<CDaoRow> TakeRow() {
        QVariantList values;
        values.reserve(ColumnCount());
        for (int i = 0; i < ColumnCount(); ++i)
            values.append(Column(i));
        return std::make_unique<CDaoValuesRow>(std::move(values));
    }
};
