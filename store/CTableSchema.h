#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The fixed description of the table ADDRESSES: field names, DAO types and
// sizes, column alignments, attributes, key and sort fields.
class CTableSchema {
public:
    int m_nFields = 0;
    int m_nKeyField = 0;
    int m_nLabelField = 0;
    int m_nSortField1 = 0;
    int m_nSortField2 = 0;
    QString m_strFile;
    QString m_strTable;
    QList<int> m_arrType;
    QList<int> m_arrSize;
    QList<int> m_arrFormat;
    QList<int> m_arrAttributes;
    QStringList m_arrName;
};
