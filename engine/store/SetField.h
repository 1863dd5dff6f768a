#pragma once

#include "engine/store/CTableSchema.h"

#include <QList>
#include <QString>

class CDaoDatabase;

// Gives field nField of the records whose keys are listed the text value
// strValue, in one transaction: all of them, or none when the database
// refuses one. A key that no record has (another program deleted it) is
// passed over. Returns the number of records changed.
// Throws CDaoException when the database refuses the change (a closed
// database, a value that breaks the field's rule, a file another program
// holds); nothing is changed then.
int SetField(CDaoDatabase* pDatabase, const CTableSchema& schema, int nField,
             const QList<qlonglong>& keys, const QString& strValue);
