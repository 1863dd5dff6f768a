#include "engine/store/CreateTable.h"

#include "platform/dao/CDaoTableDef.h"

CDaoIndexInfo PrimaryKeyIndex(const CTableSchema& schema) {
    CDaoIndexInfo index;
    index.m_strName = QStringLiteral("PrimaryKey");
    index.m_fieldInfos = {CDaoIndexFieldInfo{schema.m_arrName[schema.m_nKeyField], false}};
    index.m_bPrimary = true;
    index.m_bUnique = true;
    index.m_bRequired = true;
    index.m_bIgnoreNulls = false;
    return index;
}

void CreateTable(CDaoTableDef& tableDef, const CTableSchema& schema) {
    tableDef.Create(schema.m_strTable, 0, QString(), QString());
    for (int i = 0; i < schema.m_nFields; ++i)
        tableDef.CreateField(schema.m_arrName[i], short(schema.m_arrType[i]), schema.m_arrSize[i],
                             schema.m_arrAttributes[i]);
    tableDef.CreateIndex(PrimaryKeyIndex(schema));
    tableDef.Append();
}
