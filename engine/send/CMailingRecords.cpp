#include "engine/send/CMailingRecords.h"

#include "engine/store/CFindFilter.h"
#include "platform/dao/CDaoRecordset.h"
#include "platform/dao/COleDateTime.h"

namespace {

// The fields in schema order: ID_Address, Date, EMail, Prefix, Name,
// Template, MY_1 to MY_5.
enum Field : int { FieldDate = 1, FieldEMail, FieldPrefix, FieldName, FieldTemplate, FieldMy1 };

CMailRow RowOf(CDaoRecordset& recordset) {
    CMailRow row;
    row.m_strDate = COleDateTime(recordset.GetFieldValue(FieldDate)).Format(QStringLiteral("%x"));
    row.m_strEMail = recordset.GetFieldValue(FieldEMail).toString();
    row.m_strPrefix = recordset.GetFieldValue(FieldPrefix).toString();
    row.m_strName = recordset.GetFieldValue(FieldName).toString();
    row.m_strTemplate = recordset.GetFieldValue(FieldTemplate).toString();
    for (int i = 0; i < int(row.m_arrMy.size()); ++i)
        row.m_arrMy[i] = recordset.GetFieldValue(FieldMy1 + i).toString();
    return row;
}

} // namespace

QList<CMailRow> CMailingRecords::Read(CDaoDatabase* pDatabase, const CTableSchema& schema,
                                      const QString& strFind) {
    const QString strWhere =
        strFind.isNull() ? QString() : QStringLiteral(" WHERE ") + CFindFilter::Criteria(strFind);
    CDaoRecordset recordset(pDatabase);
    recordset.Open(AFX_DAO_USE_DEFAULT_TYPE,
                   QStringLiteral("SELECT * FROM %1%2 ORDER BY %3, %4;")
                       .arg(schema.m_strTable, strWhere, schema.m_arrName.at(schema.m_nSortField1),
                            schema.m_arrName.at(schema.m_nSortField2)),
                   0);
    QList<CMailRow> rows;
    for (; !recordset.IsEOF(); recordset.MoveNext())
        rows << RowOf(recordset);
    return rows;
}
