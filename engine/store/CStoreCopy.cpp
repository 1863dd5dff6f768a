#include "engine/store/CStoreCopy.h"

#include "engine/store/CAddressRecords.h"
#include "engine/store/CreateTable.h"
#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"
#include "platform/dao/CDaoTableDef.h"
#include "platform/dao/CDaoTransaction.h"
#include "platform/dao/CSqlText.h"

#include <QStringList>

namespace {

// Records per INSERT: a statement's round trip to a server is paid once
// for them all, and their parameters stay within every engine's limit.
constexpr qsizetype kRowsPerInsert = 500;

} // namespace

CStoreCopy::CStoreCopy(CDaoDatabase& source, CDaoDatabase& target, const CTableSchema& schema)
    : m_source(source), m_target(target), m_schema(schema) {}

int CStoreCopy::Run() {
    if (!m_target.HasTable(m_schema.m_strTable)) {
        CDaoTableDef tableDef(&m_target);
        CreateTable(tableDef, m_schema);
    }
    CDaoTransaction transaction(m_target, CDaoTransaction::Immediate);
    RefuseUnlessEmpty();
    CDaoStatement select =
        m_source.Prepare(QStringLiteral("SELECT * FROM %1 ORDER BY %2")
                             .arg(CSqlText::QuoteName(m_schema.m_strTable),
                                  CSqlText::QuoteName(m_schema.m_arrName[m_schema.m_nKeyField])),
                         false);
    int nCopied = 0;
    QList<QVariantList> batch;
    const auto insertBatch = [&] {
        InsertBatch(batch);
        nCopied += int(batch.size());
        batch.clear();
    };
    while (select.Step()) {
        QVariantList row;
        for (int nField = 0; nField < m_schema.m_nFields; ++nField)
            row.append(select.Column(nField));
        batch.append(row);
        if (batch.size() == kRowsPerInsert)
            insertBatch();
    }
    if (!batch.isEmpty())
        insertBatch();
    transaction.Commit();
    return nCopied;
}

void CStoreCopy::RefuseUnlessEmpty() {
    const int nRecords = CAddressRecords(&m_target, m_schema).Count();
    if (nRecords > 0)
        throw CDaoException(QStringLiteral("The table %1 of %2 holds %3 records already; "
                                           "addresses are copied only into an empty table.")
                                .arg(m_schema.m_strTable, m_target.GetName())
                                .arg(nRecords));
}

void CStoreCopy::InsertBatch(const QList<QVariantList>& rows) {
    CDaoStatement insert = m_target.Prepare(InsertSql(rows.size()), true);
    int nParameter = 0;
    for (const QVariantList& row : rows) {
        for (const QVariant& value : row)
            insert.Bind(++nParameter, value);
    }
    insert.Step();
}

QString CStoreCopy::InsertSql(qsizetype nRows) const {
    QStringList columns;
    for (const QString& strName : m_schema.m_arrName)
        columns.append(CSqlText::QuoteName(strName));
    const QString strRow =
        u'(' + QStringList(m_schema.m_nFields, QStringLiteral("?")).join(QStringLiteral(", ")) +
        u')';
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(CSqlText::QuoteName(m_schema.m_strTable), columns.join(QStringLiteral(", ")),
             QStringList(nRows, strRow).join(QStringLiteral(", ")));
}
