#pragma once

#include "engine/store/CTableSchema.h"
#include "platform/dao/CDaoIndexInfo.h"

class CDaoTableDef;

// The table's primary index "PrimaryKey": the key field, ascending, unique
// and required.
CDaoIndexInfo PrimaryKeyIndex(const CTableSchema& schema);

// Defines the table that schema describes on tableDef and saves it into the
// database: the table m_strTable, its fields in order (name, type, size and
// attributes; the column formats play no part), and its primary index. The
// table is written whole or not at all.
// Throws CDaoException at the first step the database refuses (a closed
// database, a field or index it does not accept); nothing is written then.
void CreateTable(CDaoTableDef& tableDef, const CTableSchema& schema);
