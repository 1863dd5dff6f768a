#include "platform/dao/CDaoTableDef.h"

#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoEngine.h"
#include "platform/dao/CDaoException.h"

#include <algorithm>

namespace {

bool SameName(const QString& strFirst, const QString& strSecond) {
    return strFirst.compare(strSecond, Qt::CaseInsensitive) == 0;
}

} // namespace

CDaoTableDef::CDaoTableDef(CDaoDatabase* pDatabase) : m_pDatabase(pDatabase) {}

void CDaoTableDef::Create(const QString& strName, long, const QString&, const QString&) {
    CDaoDatabase::RequireOpen(m_pDatabase);
    m_strName = strName;
    m_fields.clear();
    m_indexes.clear();
    m_bOpen = true;
}

void CDaoTableDef::CreateField(const QString& strName, short nType, long lSize, long lAttributes) {
    RequireOpen();
    for (const CDaoField& field : std::as_const(m_fields)) {
        if (SameName(field.m_strName, strName))
            throw CDaoException(QStringLiteral("Field '%1' is defined twice.").arg(strName));
    }
    m_fields.append(CDaoField(strName, nType, lSize, lAttributes));
}

void CDaoTableDef::CreateIndex(const CDaoIndexInfo& indexInfo) {
    RequireOpen();
    m_indexes.append(indexInfo);
}

void CDaoTableDef::Append() {
    RequireOpen();
    if (m_fields.isEmpty())
        throw CDaoException(QStringLiteral("The table '%1' has no fields.").arg(m_strName));
    CheckIndexes();
    CDaoDatabase::RequireOpen(m_pDatabase).AppendTable(m_strName, m_fields, m_indexes);
}

bool CDaoTableDef::IsOpen() const {
    return m_bOpen;
}

void CDaoTableDef::Close() {
    m_bOpen = false;
    m_fields.clear();
    m_indexes.clear();
}

void CDaoTableDef::RequireOpen() const {
    if (!m_bOpen)
        throw CDaoException(QStringLiteral("The table definition is not open."));
}

void CDaoTableDef::CheckIndexes() const {
    int nPrimary = 0;
    for (const CDaoIndexInfo& index : m_indexes) {
        nPrimary += index.m_bPrimary ? 1 : 0;
        if (index.m_strName.isEmpty() || index.m_fieldInfos.isEmpty())
            throw CDaoException(
                QStringLiteral("An index of table '%1' lacks a name or fields.").arg(m_strName));
        for (const CDaoIndexFieldInfo& fieldInfo : index.m_fieldInfos) {
            const bool bKnown =
                std::any_of(m_fields.begin(), m_fields.end(), [&](const CDaoField& field) {
                    return SameName(field.m_strName, fieldInfo.m_strName);
                });
            if (!bKnown)
                throw CDaoException(QStringLiteral("Index '%1' names field '%2', which the table "
                                                   "does not have.")
                                        .arg(index.m_strName, fieldInfo.m_strName));
        }
    }
    if (nPrimary > 1)
        throw CDaoException(
            QStringLiteral("The table '%1' has more than one primary index.").arg(m_strName));
}
