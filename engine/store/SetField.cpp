#include "engine/store/SetField.h"

#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoTransaction.h"

int SetField(CDaoDatabase* pDatabase, const CTableSchema& schema, int nField,
             const QList<qlonglong>& keys, const QString& strValue) {
    CDaoTransaction transaction(*pDatabase, CDaoTransaction::Immediate);
    // RETURNING answers a row for each record changed, so the count needs no
    // second question.
    CDaoStatement update = pDatabase->Prepare(
        QStringLiteral("UPDATE %1 SET %2 = ?1 WHERE %3 = ?2 RETURNING %3")
            .arg(schema.m_strTable, schema.m_arrName.at(nField),
                 schema.m_arrName.at(schema.m_nKeyField)),
        false);
    update.Bind(1, strValue);
    int nChanged = 0;
    for (const qlonglong nKey : keys) {
        update.Bind(2, nKey);
        if (update.Step())
            ++nChanged;
        update.Reset();
    }
    transaction.Commit();
    return nChanged;
}
