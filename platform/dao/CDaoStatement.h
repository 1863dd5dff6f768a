#pragma once

#include "platform/dao/CDaoCursor.h"

#include <QByteArrayView>
#include <QVariant>
#include <memory>

// A prepared statement of a CDaoDatabase, on whichever engine the database
// uses. When it is done with, its engine keeps it for the next use of its
// text, or lets it go.
class CDaoStatement {
public:
    CDaoStatement() = default;
    explicit CDaoStatement(std::unique_ptr<CDaoCursor> pCursor) : m_pCursor(std::move(pCursor)) {}

    bool IsNull() const { return m_pCursor == nullptr; }

    // Parameters count from 1. A null QVariant binds NULL.
    void Bind(int nIndex, const QVariant& value) { m_pCursor->Bind(nIndex, value); }
    // True with a row to read, false when the statement has finished.
    // Raises a CDaoException when the engine fails.
    bool Step() { return m_pCursor->Step(); }
    void Reset() {
        if (m_pCursor)
            m_pCursor->Reset();
    }

    int ColumnCount() const { return m_pCursor->ColumnCount(); }
    // A column of the current row: null, qlonglong, double, QString or QByteArray.
    QVariant Column(int nIndex) const { return m_pCursor->Column(nIndex); }
    // A column of the current row as UTF-8 text (a number as its text, null
    // as nothing), without a copy: valid until the next Step or Reset. For
    // reading many rows fast.
    QByteArrayView ColumnUtf8(int nIndex) const { return m_pCursor->ColumnUtf8(nIndex); }
    // The current row, kept beyond the next Step or Reset; the statement
    // may be left without a current row.
    std::unique_ptr<CDaoRow> TakeRow() { return m_pCursor->TakeRow(); }

private:
    std::unique_ptr<CDaoCursor> m_pCursor;
};
