#include "PeopleTable.h"

#include "engine/store/CreateTable.h"
#include "platform/dao/CDaoTableDef.h"
#include "platform/dao/DaoConstants.h"

CTableSchema PeopleSchema() {
    CTableSchema schema;
    schema.m_strTable = QStringLiteral("PEOPLE");
    schema.AppendField(QStringLiteral("ID"), dbLong, 4, 0, dbAutoIncrField);
    schema.AppendField(QStringLiteral("Born"), dbDate, 60, 0, 0);
    schema.AppendField(QStringLiteral("Name"), dbText, 10, 0, 0);
    schema.AppendField(QStringLiteral("Notes"), dbMemo, 0, 0, 0);
    schema.m_nFields = int(schema.m_arrName.size());
    return schema;
}

void CreatePeopleTable(CDaoDatabase& database) {
    CDaoTableDef tableDef(&database);
    CreateTable(tableDef, PeopleSchema());
}
