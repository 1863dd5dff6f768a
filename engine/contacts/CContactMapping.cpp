#include "engine/contacts/CContactMapping.h"

#include "platform/settings/CProfileSettings.h"

#include <QCryptographicHash>
#include <QMap>
#include <QRegularExpression>
#include <algorithm>

namespace {

const QString& SettingsSection() {
    static const QString str = QStringLiteral("ImportMappings");
    return str;
}

// The header names that stand for each field, most specific first; compared
// without regard to letter case. Besides the English ones, the names that
// Outlook writes in German, French, Spanish, Italian and Dutch, and
// Thunderbird in German and French.
const QList<QStringList>& KnownHeaders() {
    static const QList<QStringList> known = [] {
        QList<QStringList> list = {
            {QStringLiteral("Date"), QStringLiteral("X-CORVANE-DATE")},
            {QStringLiteral("EMail"), QStringLiteral("E-mail Address"),
             QStringLiteral("Primary Email"), QStringLiteral("E-mail 1 - Value"),
             QStringLiteral("Email Address"), QStringLiteral("E-mail"), QStringLiteral("Email 1"),
             QStringLiteral("Mail"), QStringLiteral("E-Mail-Adresse"),
             QStringLiteral("Primäre E-Mail-Adresse"), QStringLiteral("Adresse de messagerie"),
             QStringLiteral("Adresse électronique principale"),
             QStringLiteral("Dirección de correo electrónico"),
             QStringLiteral("Indirizzo posta elettronica"), QStringLiteral("E-mailadres")},
            {QStringLiteral("Prefix"), QStringLiteral("Name Prefix"),
             QStringLiteral("Honorific Prefix"), QStringLiteral("Title"), QStringLiteral("Anrede"),
             QStringLiteral("Titre"), QStringLiteral("Tratamiento"), QStringLiteral("Titolo"),
             QStringLiteral("Titel")},
            {QStringLiteral("Name"), QStringLiteral("FN"), QStringLiteral("Display Name"),
             QStringLiteral("Full Name"), QStringLiteral("Anzeigename"),
             QStringLiteral("Nom à afficher")},
            {QStringLiteral("Template"), QStringLiteral("X-CORVANE-TEMPLATE")}};
        for (int nMy = 1; nMy <= 5; ++nMy)
            list.append({QStringLiteral("MY_%1").arg(nMy), QStringLiteral("X-CORVANE-MY-%1").arg(nMy)});
        return list;
    }();
    return known;
}

// A name put together from its parts, as Outlook, Thunderbird and Google
// write them, in the languages of KnownHeaders.
const QList<QStringList>& NameParts() {
    static const QList<QStringList> parts = {
        {QStringLiteral("First Name"), QStringLiteral("Given Name"), QStringLiteral("Vorname"),
         QStringLiteral("Prénom"), QStringLiteral("Nombre"), QStringLiteral("Nome"),
         QStringLiteral("Voornaam")},
        {QStringLiteral("Middle Name"), QStringLiteral("Additional Name"),
         QStringLiteral("Weitere Vornamen"), QStringLiteral("Deuxième prénom"),
         QStringLiteral("Segundo nombre"), QStringLiteral("Secondo nome"),
         QStringLiteral("Middelste naam")},
        {QStringLiteral("Last Name"), QStringLiteral("Family Name"), QStringLiteral("Surname"),
         QStringLiteral("Nachname"), QStringLiteral("Nom de famille"), QStringLiteral("Nom"),
         QStringLiteral("Apellidos"), QStringLiteral("Cognome"), QStringLiteral("Achternaam")}};
    return parts;
}

// Google Contacts writes a contact's addresses in "E-mail 1 - Value",
// "E-mail 2 - Value", ...: their columns in that order.
QList<int> NumberedEMailColumns(const QStringList& headers) {
    static const QRegularExpression reNumbered(QStringLiteral("^E-mail (\\d+) - Value$"),
                                               QRegularExpression::CaseInsensitiveOption);
    QMap<int, int> columns;
    for (int nColumn = 0; nColumn < headers.size(); ++nColumn)
        if (const QRegularExpressionMatch match = reNumbered.match(headers[nColumn].trimmed()); match.hasMatch())
            columns.insert(match.captured(1).toInt(), nColumn);
    return columns.values();
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
    m_sources[nField] = {columns, {}};
    AddFallback(nField, fallback);
}

void CContactMapping::AddFallback(int nField, const QList<int>& columns) {
    if (!columns.isEmpty())
        m_sources[nField].fallbacks.append(columns);
}

void CContactMapping::TakeField(int nField, const CContactMapping& other) {
    m_sources[nField] = other.m_sources[nField];
}

const QList<int>& CContactMapping::Columns(int nField) const {
    return m_sources[nField].columns;
}

bool CContactMapping::HasFallback(int nField) const {
    return !m_sources[nField].fallbacks.isEmpty();
}

bool CContactMapping::IsMapped(int nField) const {
    return !m_sources[nField].columns.isEmpty() || HasFallback(nField);
}

int CContactMapping::LastColumn() const {
    int nLast = -1;
    for (const Source& source : m_sources) {
        for (const int nColumn : source.columns)
            nLast = std::max(nLast, nColumn);
        for (const QList<int>& fallback : source.fallbacks)
            for (const int nColumn : fallback)
                nLast = std::max(nLast, nColumn);
    }
    return nLast;
}

QString CContactMapping::Value(int nField, const QStringList& row) const {
    const Source& source = m_sources[nField];
    QString strValue = JoinColumns(source.columns, row);
    for (qsizetype i = 0; strValue.isEmpty() && i < source.fallbacks.size(); ++i)
        strValue = JoinColumns(source.fallbacks[i], row);
    return strValue;
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
    QStringList choices;
    if (!source.columns.isEmpty())
        choices.append(names(source.columns));
    for (const QList<int>& fallback : source.fallbacks)
        choices.append(names(fallback));
    return choices.join(QStringLiteral(", else "));
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
    const int nEMail = FieldIndex(QStringLiteral("EMail"));
    if (const QList<int> numbered = NumberedEMailColumns(headers);
        !numbered.isEmpty() && mapping.Columns(nEMail) == QList<int>{numbered.front()})
        for (const int nColumn : numbered.mid(1))
            mapping.AddFallback(nEMail, {nColumn});
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

// Per field "columns/fallback/...", columns joined with '+', fields with blanks.
QString CContactMapping::ToText() const {
    QStringList fields;
    for (const Source& source : m_sources) {
        QStringList choices = {ColumnsText(source.columns)};
        for (const QList<int>& fallback : source.fallbacks)
            choices.append(ColumnsText(fallback));
        if (choices.size() == 1)
            choices.append(QString());
        fields.append(choices.join(u'/'));
    }
    return fields.join(u' ');
}

bool CContactMapping::FromText(const QString& strText, int nColumns, CContactMapping* pMapping) {
    const QStringList fields = strText.split(u' ');
    if (fields.size() != Fields().size())
        return false;
    CContactMapping mapping;
    for (int nField = 0; nField < fields.size(); ++nField) {
        const QStringList choices = fields[nField].split(u'/');
        QList<int> columns;
        if (choices.size() < 2 || !ColumnsFromText(choices[0], nColumns, &columns))
            return false;
        mapping.SetColumns(nField, columns);
        for (const QString& strFallback : choices.mid(1)) {
            QList<int> fallback;
            if (!ColumnsFromText(strFallback, nColumns, &fallback))
                return false;
            mapping.AddFallback(nField, fallback);
        }
    }
    *pMapping = mapping;
    return true;
}
