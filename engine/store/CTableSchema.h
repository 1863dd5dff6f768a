#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The fixed description of the table ADDRESSES: field names, DAO types and
// sizes, column alignments, attributes, key and sort fields.
class CTableSchema {
public:
    // Appends one field to the five per-field arrays.
    void AppendField(const QString& strName, int nType, int nSize, int nFormat, int nAttributes) {
        m_arrName.append(strName);
        m_arrType.append(nType);
        m_arrSize.append(nSize);
        m_arrFormat.append(nFormat);
        m_arrAttributes.append(nAttributes);
    }

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
