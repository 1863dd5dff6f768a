#include "platform/dao/CDaoTableDef.h"

#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"
#include "platform/dao/CSqlText.h"

#include <QStringList>
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
    QStringList statements{CreateTableSql()};
    for (const CDaoIndexInfo& index : std::as_const(m_indexes)) {
        if (!index.m_bPrimary)
            statements.append(CreateIndexSql(index));
    }
    m_pDatabase->Execute(QStringLiteral("SAVEPOINT dao_append"));
    try {
        for (const QString& strSql : std::as_const(statements))
            m_pDatabase->Execute(strSql);
        m_pDatabase->Execute(QStringLiteral("RELEASE dao_append"));
    } catch (const CDaoException&) {
        m_pDatabase->Execute(QStringLiteral("ROLLBACK TO dao_append; RELEASE dao_append"));
        throw;
    }
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

const CDaoIndexInfo* CDaoTableDef::PrimaryIndex() const {
    for (const CDaoIndexInfo& index : m_indexes) {
        if (index.m_bPrimary)
            return &index;
    }
    return nullptr;
}

// A primary index on one Long field makes that field the row's own key, which
// SQLite numbers itself; the index's name stands in the table's definition.
QString CDaoTableDef::KeyClause(const CDaoField& field) const {
    const CDaoIndexInfo* pPrimary = PrimaryIndex();
    if (pPrimary == nullptr || pPrimary->m_fieldInfos.size() != 1 || field.m_nType != dbLong ||
        !SameName(pPrimary->m_fieldInfos.front().m_strName, field.m_strName))
        return QString();
    QString strClause =
        QStringLiteral("CONSTRAINT %1 PRIMARY KEY").arg(CSqlText::QuoteName(pPrimary->m_strName));
    if (field.IsAutoNumber())
        strClause += QStringLiteral(" AUTOINCREMENT");
    return strClause;
}

QString CDaoTableDef::IndexColumns(const CDaoIndexInfo& index) {
    QStringList columns;
    for (const CDaoIndexFieldInfo& fieldInfo : index.m_fieldInfos)
        columns.append(CSqlText::QuoteName(fieldInfo.m_strName) +
                       (fieldInfo.m_bDescending ? QStringLiteral(" DESC") : QString()));
    return columns.join(QStringLiteral(", "));
}

QString CDaoTableDef::CreateTableSql() const {
    QStringList definitions;
    bool bKeyInColumn = false;
    for (const CDaoField& field : m_fields) {
        const QString strKeyClause = KeyClause(field);
        bKeyInColumn = bKeyInColumn || !strKeyClause.isEmpty();
        if (field.IsAutoNumber() && strKeyClause.isEmpty())
            throw CDaoException(QStringLiteral("Field '%1' is numbered by the database, so it "
                                               "must be the table's one-field primary key.")
                                    .arg(field.m_strName));
        definitions.append(field.Declaration(strKeyClause));
    }
    const CDaoIndexInfo* pPrimary = PrimaryIndex();
    if (pPrimary != nullptr && !bKeyInColumn)
        definitions.append(
            QStringLiteral("CONSTRAINT %1 PRIMARY KEY (%2)")
                .arg(CSqlText::QuoteName(pPrimary->m_strName), IndexColumns(*pPrimary)));
    return QStringLiteral("CREATE TABLE %1 (%2)")
        .arg(CSqlText::QuoteName(m_strName), definitions.join(QStringLiteral(", ")));
}

QString CDaoTableDef::CreateIndexSql(const CDaoIndexInfo& index) const {
    return QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
        .arg(index.m_bUnique ? QStringLiteral("UNIQUE ") : QString(),
             CSqlText::QuoteName(index.m_strName), CSqlText::QuoteName(m_strName),
             IndexColumns(index));
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
