#pragma once

#include "platform/dao/CDaoField.h"
#include "platform/dao/CDaoIndexInfo.h"

#include <QList>
#include <QString>

class CDaoDatabase;

// A new table being defined: its fields and indexes are collected and then
// appended to the database in one step.
class CDaoTableDef {
public:
    explicit CDaoTableDef(CDaoDatabase* pDatabase);

    // Starts the definition of a local table; the attributes, source table
    // and connect string of linked tables have no counterpart and are ignored.
    void Create(const QString& strName, long lAttributes = 0,
                const QString& strSrcTable = QString(), const QString& strConnect = QString());
    // Adds a field: not required, no default value, the empty text refused.
    void CreateField(const QString& strName, short nType, long lSize, long lAttributes = 0);
    void CreateIndex(const CDaoIndexInfo& indexInfo);
    // Writes the table with its fields and indexes into the file, all or nothing.
    void Append();
    bool IsOpen() const;
    void Close();

private:
    void RequireOpen() const;
    void CheckIndexes() const;

    CDaoDatabase* m_pDatabase;
    QString m_strName;
    QList<CDaoField> m_fields;
    QList<CDaoIndexInfo> m_indexes;
    bool m_bOpen = false;
};
