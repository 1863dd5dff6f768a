#pragma once

#include "engine/merge/CMailRow.h"
#include "engine/store/CTableSchema.h"

#include <QList>
#include <QString>

class CDaoDatabase;

// The records a mailing from the command line goes to: all of them, or
// those that Find lists for a text, in the table window's order, with the
// values as the table shows them (the Date as its "%x" text).
class CMailingRecords {
public:
    // A null strFind: every record. Throws CDaoException when the database
    // refuses the query.
    static QList<CMailRow> Read(CDaoDatabase* pDatabase, const CTableSchema& schema,
                                const QString& strFind = QString());
};
