#include "engine/contacts/CContactMapping.h"

#include "platform/settings/CProfileSettings.h"

#include <QCryptographicHash>

namespace {

const QString& SettingsSection() {
    static const QString str = QStringLiteral("ImportMappings");
    return str;
}

// The header names that stand for each field, most specific first; compared
// without regard to letter case.
const QList<QStringList>& KnownHeaders() {
    static const QList<QStringList> known = [] {
        QList<QStringList> list = {
            {QStringLiteral("Date"), QStringLiteral("X-CORVANE-DATE")},
            {QStringLiteral("EMail"), QStringLiteral("E-mail Address"),
             QStringLiteral("Primary Email"), QStringLiteral("E-mail 1 - Value"),
             QStringLiteral("Email Address"), QStringLiteral("E-mail"), QStringLiteral("Email 1"),
             QStringLiteral("Mail")},
            {QStringLiteral("Prefix"), QStringLiteral("Name Prefix"),
             QStringLiteral("Honorific Prefix"), QStringLiteral("Title")},
            {QStringLiteral("Name"), QStringLiteral("FN"), QStringLiteral("Display Name"),
             QStringLiteral("Full Name")},
            {QStringLiteral("Template"), QStringLiteral("X-CORVANE-TEMPLATE")}};
        for (int nMy = 1; nMy <= 5; ++nMy)
            list.append({QStringLiteral("MY_%1").arg(nMy), QStringLiteral("X-CORVANE-MY-%1").arg(nMy)});
        return list;
    }();
    return known;
}

// A name put together from its parts, as Outlook and Google write them.
const QList<QStringList>& NameParts() {
    static const QList<QStringList> parts = {
        {QStringLiteral("First Name"), QStringLiteral("Given Name")},
        {QStringLiteral("Middle Name"), QStringLiteral("Additional Name")},
        {QStringLiteral("Last Name"), QStringLiteral("Family Name"), QStringLiteral("Surname")}};
    return parts;
}

int FindHeader(const QStringList& headers, const QStringList& names) {
    for (const QString& strName : names) {
        for (int nColumn = 0; nColumn < headers.size(); ++nColumn)
            if (headers[nColumn].trimmed().compare(strName, Qt::CaseInsensitive) == 0)
                return nColumn;
    }
    return -1;
}

QString ColumnsText(const QList<int>& columns) {
    QStringList texts;
    for (const int nColumn : columns)
        texts.append(QString::number(nColumn));
    return texts.join(u'+');
}

bool ColumnsFromText(const QString& strText, int nColumns, QList<int>* pColumns) {
    pColumns->clear();
    if (strText.isEmpty())
        return true;
    for (const QString& strColumn : strText.split(u'+')) {
        bool bNumber = false;
        const int nColumn = strColumn.toInt(&bNumber);
        if (!bNumber || nColumn < 0 || nColumn >= nColumns)
            return false;
        pColumns->append(nColumn);
    }
    return true;
}

} // namespace

const QStringList& CContactMapping::Fields() {
    static const QStringList fields = {
        QStringLiteral("Date"),   QStringLiteral("EMail"), QStringLiteral("Prefix"),
        QStringLiteral("Name"),   QStringLiteral("Template"), QStringLiteral("MY_1"),
        QStringLiteral("MY_2"),   QStringLiteral("MY_3"),  QStringLiteral("MY_4"),
        QStringLiteral("MY_5")};
    return fields;
}

int CContactMapping::FieldIndex(const QString& strField) {
    return int(Fields().indexOf(strField));
}

void CContactMapping::SetColumns(int nField, const QList<int>& columns, const QList<int>& fallback) {
    m_sources[nField] = {columns, fallback};
}

const QList<int>& CContactMapping::Columns(int nField) const {
    return m_sources[nField].columns;
}

const QList<int>& CContactMapping::Fallback(int nField) const {
    return m_sources[nField].fallback;
}

bool CContactMapping::IsMapped(int nField) const {
    return !m_sources[nField].columns.isEmpty() || !m_sources[nField].fallback.isEmpty();
}

QString CContactMapping::Value(int nField, const QStringList& row) const {
    const Source& source = m_sources[nField];
    const QString strValue = JoinColumns(source.columns, row);
    if (!strValue.isEmpty() || source.fallback.isEmpty())
        return strValue;
    return JoinColumns(source.fallback, row);
}

QString CContactMapping::JoinColumns(const QList<int>& columns, const QStringList& row) {
    if (columns.size() == 1)
        return row.value(columns.front());
    QStringList parts;
    for (const int nColumn : columns)
        if (const QString strPart = row.value(nColumn).trimmed(); !strPart.isEmpty())
            parts.append(strPart);
    return parts.join(u' ');
}

QString CContactMapping::Describe(int nField, const QStringList& headers) const {
    const auto names = [&headers](const QList<int>& columns) {
        QStringList texts;
        for (const int nColumn : columns)
            texts.append(headers.value(nColumn));
        return texts.join(QStringLiteral(" + "));
    };
    const Source& source = m_sources[nField];
    if (source.fallback.isEmpty())
        return names(source.columns);
    if (source.columns.isEmpty())
        return names(source.fallback);
    return QStringLiteral("%1, else %2").arg(names(source.columns), names(source.fallback));
}

CContactMapping CContactMapping::Recognise(const QStringList& headers) {
    CContactMapping mapping;
    for (int nField = 0; nField < Fields().size(); ++nField)
        if (const int nColumn = FindHeader(headers, KnownHeaders()[nField]); nColumn >= 0)
            mapping.SetColumns(nField, {nColumn});
    QList<int> nameParts;
    for (const QStringList& names : NameParts())
        if (const int nColumn = FindHeader(headers, names); nColumn >= 0)
            nameParts.append(nColumn);
    const int nName = FieldIndex(QStringLiteral("Name"));
    if (!nameParts.isEmpty())
        mapping.SetColumns(nName, mapping.Columns(nName), nameParts);
    return mapping;
}

CContactMapping CContactMapping::ForHeaders(const QStringList& headers) {
    CContactMapping mapping;
    const QString strText =
        CProfileSettings::GetProfileString(SettingsSection(), SettingsKey(headers));
    if (!strText.isEmpty() && FromText(strText, int(headers.size()), &mapping))
        return mapping;
    return Recognise(headers);
}

bool CContactMapping::Remember(const QStringList& headers) const {
    return CProfileSettings::WriteProfileValue(SettingsSection(), SettingsKey(headers), ToText());
}

QString CContactMapping::SettingsKey(const QStringList& headers) {
    return QString::fromLatin1(
        QCryptographicHash::hash(headers.join(u'\n').toUtf8(), QCryptographicHash::Sha1).toHex());
}

// Per field "columns/fallback", columns joined with '+', fields with blanks.
QString CContactMapping::ToText() const {
    QStringList fields;
    for (const Source& source : m_sources)
        fields.append(ColumnsText(source.columns) + u'/' + ColumnsText(source.fallback));
    return fields.join(u' ');
}

bool CContactMapping::FromText(const QString& strText, int nColumns, CContactMapping* pMapping) {
    const QStringList fields = strText.split(u' ');
    if (fields.size() != Fields().size())
        return false;
    CContactMapping mapping;
    for (int nField = 0; nField < fields.size(); ++nField) {
        const QStringList halves = fields[nField].split(u'/');
        QList<int> columns, fallback;
        if (halves.size() != 2 || !ColumnsFromText(halves[0], nColumns, &columns) ||
            !ColumnsFromText(halves[1], nColumns, &fallback))
            return false;
        mapping.SetColumns(nField, columns, fallback);
    }
    *pMapping = mapping;
    return true;
}
