#pragma once

#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoIndexInfo.h"
#include "platform/dao/CDaoTableDef.h"

// A small table in the form the address table has: PEOPLE with ID (numbered
// by the database, primary index "PrimaryKey"), Born (date), Name (text of
// at most 10 characters) and Notes (memo).
inline void CreatePeopleTable(CDaoDatabase& database) {
    CDaoTableDef tableDef(&database);
    tableDef.Create(QStringLiteral("PEOPLE"));
    tableDef.CreateField(QStringLiteral("ID"), dbLong, 4, dbAutoIncrField);
    tableDef.CreateField(QStringLiteral("Born"), dbDate, 60);
    tableDef.CreateField(QStringLiteral("Name"), dbText, 10);
    tableDef.CreateField(QStringLiteral("Notes"), dbMemo, 0);
    CDaoIndexInfo index;
    index.m_strName = QStringLiteral("PrimaryKey");
    index.m_fieldInfos = {CDaoIndexFieldInfo{QStringLiteral("ID"), false}};
    index.m_bPrimary = index.m_bUnique = index.m_bRequired = true;
    tableDef.CreateIndex(index);
    tableDef.Append();
}
