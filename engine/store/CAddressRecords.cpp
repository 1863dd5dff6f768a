#include "engine/store/CAddressRecords.h"

#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"
#include "platform/dao/CSqlText.h"
#include "platform/dao/DaoSqlFunctions.h"

#include <algorithm>
#include <climits>

CAddressRecords::CAddressRecords(CDaoDatabase* pDatabase, const CTableSchema& schema)
    : m_pDatabase(pDatabase), m_schema(schema), m_recordset(pDatabase) {
    m_recordset.Open(AFX_DAO_USE_DEFAULT_TYPE,
                     QStringLiteral("SELECT * FROM %1").arg(m_schema.m_strTable), 0);
    const QString strKeyName = m_schema.m_arrName[m_schema.m_nKeyField];
    m_fields = m_pDatabase->TableFields(m_schema.m_strTable);
    for (const CDaoField& field : std::as_const(m_fields)) {
        if (field.m_strName.compare(strKeyName, Qt::CaseInsensitive) == 0)
            m_bNumberKeyColumn = field.m_nType == dbLong;
    }
}

int CAddressRecords::Count() {
    try {
        m_recordset.MoveLast();
    } catch (const CDaoException&) {
        return 0; // an empty table has no last record
    }
    return int(m_recordset.GetRecordCount());
}

bool CAddressRecords::FindByEMail(const QString& strEMail) {
    return m_recordset.FindFirst(EMailCriteria(strEMail));
}

bool CAddressRecords::FindByEMail(const QString& strEMail, int nExceptID) {
    return m_recordset.FindFirst(TwinCriteria(m_schema, strEMail, nExceptID));
}

void CAddressRecords::Add(const QStringList& arrValues) {
    // The new record is saved once, filled: the engine numbers it in the
    // same statement, so a failure leaves no empty record behind.
    m_recordset.AddNew();
    SetValues(arrValues);
}

// One statement, so that a server is asked once. Values that break a
// field's rule go the recordset's way instead, which looks for the record
// first: a record that is gone is reported as such before any rule.
bool CAddressRecords::Update(const QStringList& arrValues) {
    const std::optional<QList<QVariant>> stored = StoredValues(arrValues);
    if (!stored)
        return UpdateThroughRecordset(arrValues);
    CDaoStatement update = m_pDatabase->Prepare(UpdateSql(), true);
    int nParameter = 0;
    for (int i = 0; i < m_schema.m_nFields; ++i) {
        if (!IsWritten(m_schema.m_arrType[i]))
            continue;
        if (m_schema.m_arrType[i] == dbDate)
            update.Bind(++nParameter, arrValues.value(i));
        update.Bind(++nParameter, stored->at(i));
    }
    update.Bind(++nParameter, qlonglong(AtoI(arrValues.value(0))));
    update.Step();
    return m_pDatabase->GetRecordsAffected() > 0;
}

bool CAddressRecords::UpdateThroughRecordset(const QStringList& arrValues) {
    if (!m_recordset.Find(AFX_DAO_FIRST, IdCriteria(arrValues.value(0))))
        return false;
    m_recordset.Edit();
    SetValues(arrValues);
    return true;
}

// Each written field's value as the table stores it; nothing when a value
// breaks its field's rule or the table lacks a field.
std::optional<QList<QVariant>> CAddressRecords::StoredValues(const QStringList& arrValues) const {
    QList<QVariant> stored(m_schema.m_nFields);
    for (int i = 0; i < m_schema.m_nFields; ++i) {
        if (!IsWritten(m_schema.m_arrType[i]))
            continue;
        const auto field =
            std::find_if(m_fields.cbegin(), m_fields.cend(), [&](const CDaoField& f) {
                return f.m_strName.compare(m_schema.m_arrName[i], Qt::CaseInsensitive) == 0;
            });
        if (field == m_fields.cend())
            return std::nullopt;
        try {
            stored[i] = field->StoredValue(arrValues.value(i));
        } catch (const CDaoException&) {
            return std::nullopt;
        }
    }
    return stored;
}

// The table shows a date as "%x", which drops the century and the time;
// saving that text back must not move the date, so the date changes only
// when its text differs from what the table shows.
QString CAddressRecords::UpdateSql() const {
    QStringList assignments;
    for (int i = 0; i < m_schema.m_nFields; ++i) {
        const QString strField = CSqlText::QuoteName(m_schema.m_arrName[i]);
        if (m_schema.m_arrType[i] == dbDate)
            assignments.append(QStringLiteral("%1 = CASE WHEN %2(%1) = ? THEN %1 ELSE ? END")
                                   .arg(strField, QLatin1String(kShownDateFunction)));
        else if (IsWritten(m_schema.m_arrType[i]))
            assignments.append(strField + QStringLiteral(" = ?"));
    }
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
        .arg(CSqlText::QuoteName(m_schema.m_strTable), assignments.join(QStringLiteral(", ")),
             CSqlText::QuoteName(m_schema.m_arrName[m_schema.m_nKeyField]));
}

bool CAddressRecords::IsWritten(int nType) {
    return nType == dbText || nType == dbMemo || nType == dbDate;
}

bool CAddressRecords::DeleteByKey(const QString& strKey) {
    const std::optional<QVariant> key = KeyValue(m_schema, strKey);
    if (!key)
        return false;
    // A text that is no number names no record of a number column, as in a
    // file; a server would refuse to compare them.
    bool bNumber = false;
    strKey.toLongLong(&bNumber);
    if (m_bNumberKeyColumn && key->typeId() == QMetaType::QString && !bNumber)
        return false;
    CDaoStatement erase = m_pDatabase->Prepare(
        QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
            .arg(CSqlText::QuoteName(m_schema.m_strTable),
                 CSqlText::QuoteName(m_schema.m_arrName[m_schema.m_nKeyField])),
        true);
    erase.Bind(1, *key);
    erase.Step();
    return m_pDatabase->GetRecordsAffected() > 0;
}

// The key is never written: the database assigns it. Text, memo and date
// fields take the value as text, converted to the field's type.
void CAddressRecords::SetValues(const QStringList& arrValues) {
    for (int i = 0; i < m_schema.m_nFields; ++i) {
        if (IsWritten(m_schema.m_arrType[i]))
            m_recordset.SetFieldValue(m_schema.m_arrName[i], arrValues.value(i));
    }
    m_recordset.Update();
}

QString CAddressRecords::EMailCriteria(const QString& strEMail) {
    return QStringLiteral("EMail = '%1'").arg(CSqlText::EscapeQuotes(strEMail));
}

QString CAddressRecords::TwinCriteria(const CTableSchema& schema, const QString& strEMail,
                                      int nExceptID) {
    return QStringLiteral("%1 AND %2 <> %3")
        .arg(EMailCriteria(strEMail), schema.m_arrName[schema.m_nKeyField])
        .arg(nExceptID);
}

QString CAddressRecords::IdCriteria(const QString& strId) {
    return QStringLiteral("ID_Address = %1").arg(AtoI(strId));
}

std::optional<QString> CAddressRecords::KeyCriteria(const CTableSchema& schema,
                                                    const QString& strKey) {
    const std::optional<QVariant> key = KeyValue(schema, strKey);
    if (!key)
        return std::nullopt;
    const QString& strField = schema.m_arrName[schema.m_nKeyField];
    if (key->typeId() == QMetaType::QString)
        return QStringLiteral("%1='%2'").arg(strField, CSqlText::EscapeQuotes(strKey));
    return QStringLiteral("%1=%2").arg(strField).arg(key->toLongLong());
}

// A text key as it is, a number as atoi reads it.
std::optional<QVariant> CAddressRecords::KeyValue(const CTableSchema& schema,
                                                  const QString& strKey) {
    switch (schema.m_arrType[schema.m_nKeyField]) {
    case dbText:
        return QVariant(strKey);
    case dbLong:
        return QVariant(qlonglong(AtoI(strKey)));
    default:
        return std::nullopt;
    }
}

// Blanks skipped, an optional sign, then digits up to the first non-digit; 0
// when there are none. Values beyond int are held at its limits.
int CAddressRecords::AtoI(const QString& strText) {
    qsizetype nPos = 0;
    while (nPos < strText.size() && strText[nPos].isSpace())
        ++nPos;
    bool bNegative = false;
    if (nPos < strText.size() && (strText[nPos] == u'-' || strText[nPos] == u'+'))
        bNegative = strText[nPos++] == u'-';
    long long nValue = 0;
    for (; nPos < strText.size() && strText[nPos] >= u'0' && strText[nPos] <= u'9'; ++nPos)
        nValue = std::min<long long>(nValue * 10 + (strText[nPos].unicode() - u'0'), 1LL + INT_MAX);
    return int(std::clamp<long long>(bNegative ? -nValue : nValue, INT_MIN, INT_MAX));
}
