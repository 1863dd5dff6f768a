#include "engine/store/CAddressRecords.h"

#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"
#include "platform/dao/CSqlText.h"

#include <algorithm>
#include <climits>

CAddressRecords::CAddressRecords(CDaoDatabase* pDatabase, const CTableSchema& schema)
    : m_pDatabase(pDatabase), m_schema(schema), m_recordset(pDatabase) {
    m_recordset.Open(AFX_DAO_USE_DEFAULT_TYPE,
                     QStringLiteral("SELECT * FROM %1").arg(m_schema.m_strTable), 0);
    const QString strKeyName = m_schema.m_arrName[m_schema.m_nKeyField];
    for (const CDaoField& field : m_pDatabase->TableFields(m_schema.m_strTable)) {
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

bool CAddressRecords::Update(const QStringList& arrValues) {
    if (!m_recordset.Find(AFX_DAO_FIRST, IdCriteria(arrValues.value(0))))
        return false;
    m_recordset.Edit();
    SetValues(arrValues);
    return true;
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
        const int nType = m_schema.m_arrType[i];
        if (nType == dbText || nType == dbMemo || nType == dbDate)
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
