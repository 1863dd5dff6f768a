#include "engine/contacts/CVCardSource.h"

#include "engine/contacts/CContactError.h"

#include <QStringDecoder>
#include <algorithm>

namespace {

enum Column { FN, PREFIX, EMAIL, ORG, TITLE, TEL, ADR, NOTE, FIRST_EXTENSION };

const QStringList& RecordFieldsCarried() {
    static const QStringList fields = {
        QStringLiteral("Date"), QStringLiteral("Template"), QStringLiteral("MY_1"),
        QStringLiteral("MY_2"), QStringLiteral("MY_3"),     QStringLiteral("MY_4"),
        QStringLiteral("MY_5")};
    return fields;
}

bool HasParam(const QStringList& params, const QString& strName, const QString& strValue) {
    for (const QString& strParam : params) {
        const qsizetype nEquals = strParam.indexOf(u'=');
        if (nEquals < 0 && strParam.compare(strValue, Qt::CaseInsensitive) == 0)
            return true; // vCard 2.1 writes bare values: EMAIL;PREF;INTERNET
        if (nEquals >= 0 && strParam.first(nEquals).trimmed().compare(strName, Qt::CaseInsensitive) == 0) {
            for (const QString& strOne : strParam.mid(nEquals + 1).split(u','))
                if (strOne.trimmed().remove(u'"').compare(strValue, Qt::CaseInsensitive) == 0)
                    return true;
        }
    }
    return false;
}

QString ParamValue(const QStringList& params, const QString& strName) {
    for (const QString& strParam : params) {
        const qsizetype nEquals = strParam.indexOf(u'=');
        if (nEquals >= 0 && strParam.first(nEquals).trimmed().compare(strName, Qt::CaseInsensitive) == 0)
            return strParam.mid(nEquals + 1).trimmed().remove(u'"');
    }
    return QString();
}

bool IsQuotedPrintable(const QStringList& params) {
    return HasParam(params, QStringLiteral("ENCODING"), QStringLiteral("QUOTED-PRINTABLE"));
}

bool IsBinary(const QStringList& params) {
    return HasParam(params, QStringLiteral("ENCODING"), QStringLiteral("B")) ||
           HasParam(params, QStringLiteral("ENCODING"), QStringLiteral("BASE64"));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray FromQuotedPrintable(const QByteArray& encoded) {
    QByteArray decoded;
    decoded.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const bool bEscape = encoded[i] == '=';
        const int nHigh = bEscape && i + 1 < encoded.size() ? HexDigit(encoded[i + 1]) : -1;
        const int nLow = bEscape && i + 2 < encoded.size() ? HexDigit(encoded[i + 2]) : -1;
        if (nHigh >= 0 && nLow >= 0) {
            decoded += char(nHigh * 16 + nLow);
            i += 2;
        } else if (!bEscape || i + 1 < encoded.size()) {
            decoded += encoded[i]; // a lone '=' at the very end is a soft line break
        }
    }
    return decoded;
}

QString DecodeBytes(const QByteArray& bytes, const QString& strCharset) {
    QStringDecoder decoder(strCharset.isEmpty() ? "UTF-8" : strCharset.toLatin1().constData());
    if (decoder.isValid()) {
        const QString strText = decoder(bytes);
        if (!decoder.hasError())
            return strText;
    }
    return QStringDecoder("windows-1252")(bytes);
}

// Backslash escapes of vCard 3.0 and 4.0: \n or \N a line break, \\ \, \;
// the character itself. Components split at semicolons that are not escaped.
QStringList SplitAndUnescape(const QString& strValue) {
    QStringList components(1);
    for (qsizetype i = 0; i < strValue.size(); ++i) {
        const QChar c = strValue[i];
        if (c == u'\\' && i + 1 < strValue.size()) {
            const QChar next = strValue[++i];
            components.last() += (next == u'n' || next == u'N') ? QChar(u'\n') : next;
        } else if (c == u';') {
            components.append(QString());
        } else {
            components.last() += c;
        }
    }
    return components;
}

QString JoinNonEmpty(const QStringList& parts, const QString& strSeparator) {
    QStringList kept;
    for (const QString& strPart : parts)
        if (!strPart.trimmed().isEmpty())
            kept.append(strPart.trimmed());
    return kept.join(strSeparator);
}

// The lower the rank, the more preferred: PREF=n of vCard 4.0, a bare PREF
// or TYPE=PREF of 2.1 and 3.0, then the others in file order.
int PreferenceRank(const QStringList& params) {
    bool bNumber = false;
    const int nPref = ParamValue(params, QStringLiteral("PREF")).toInt(&bNumber);
    if (bNumber)
        return nPref;
    if (HasParam(params, QStringLiteral("TYPE"), QStringLiteral("PREF")))
        return 1;
    return 1000;
}

} // namespace

CVCardSource::CVCardSource(const QString& strPath) : m_text(strPath) {}

const QStringList& CVCardSource::ColumnNames() {
    static const QStringList names = [] {
        QStringList list = {QStringLiteral("FN"),    QStringLiteral("PREFIX"), QStringLiteral("EMAIL"),
                            QStringLiteral("ORG"),   QStringLiteral("TITLE"),  QStringLiteral("TEL"),
                            QStringLiteral("ADR"),   QStringLiteral("NOTE")};
        for (const QString& strField : RecordFieldsCarried())
            list.append(ExtensionProperty(strField));
        return list;
    }();
    return names;
}

QString CVCardSource::ExtensionProperty(const QString& strField) {
    return QStringLiteral("X-CORVANE-") + strField.toUpper().replace(u'_', u'-');
}

bool CVCardSource::ReadRow(CContactRow* pRow) {
    while (m_rows.isEmpty())
        if (!ReadCard())
            return false;
    *pRow = m_rows.takeFirst();
    return true;
}

// Lines outside BEGIN:VCARD ... END:VCARD are ignored; a card that the file
// ends inside is taken as far as it goes.
bool CVCardSource::ReadCard() {
    QString strLine;
    while (ReadLogicalLine(&strLine)) {
        if (strLine.trimmed().compare(QStringLiteral("BEGIN:VCARD"), Qt::CaseInsensitive) != 0)
            continue;
        const qint64 nBegin = m_nLine;
        QList<Property> properties;
        while (ReadLogicalLine(&strLine)) {
            const Property property = ParseLine(strLine);
            if (property.strName == u"END" &&
                property.strValue.trimmed().compare(QStringLiteral("VCARD"), Qt::CaseInsensitive) == 0)
                break;
            properties.append(property);
        }
        AddCardRows(properties, nBegin);
        return true;
    }
    return false;
}

void CVCardSource::AddCardRows(const QList<Property>& properties, qint64 nLine) {
    QStringList columns(ColumnNames().size());
    QString strNameFromN;
    QList<std::pair<int, QString>> emails;
    QStringList phones;
    for (const Property& property : properties) {
        if (IsBinary(property.params))
            continue;
        const QStringList value = DecodeValue(property);
        const QString& strName = property.strName;
        if (strName == u"FN") {
            columns[FN] = value.join(u';');
        } else if (strName == u"N") {
            strNameFromN = JoinNonEmpty({value.value(1), value.value(2), value.value(0)}, QStringLiteral(" "));
            columns[PREFIX] = value.value(3).trimmed();
        } else if (strName == u"EMAIL") {
            emails.append({PreferenceRank(property.params), value.join(u';').trimmed()});
        } else if (strName == u"ORG") {
            columns[ORG] = JoinNonEmpty(value, QStringLiteral(", "));
        } else if (strName == u"TITLE") {
            columns[TITLE] = value.join(u';');
        } else if (strName == u"TEL") {
            phones.append(value.join(u';').trimmed());
        } else if (strName == u"ADR") {
            columns[ADR] = JoinNonEmpty(value, QStringLiteral(", "));
        } else if (strName == u"NOTE") {
            columns[NOTE] = value.join(u';');
        } else if (const qsizetype nColumn = ColumnNames().indexOf(strName); nColumn >= FIRST_EXTENSION) {
            columns[nColumn] = value.join(u';');
        }
    }
    if (columns[FN].trimmed().isEmpty())
        columns[FN] = strNameFromN;
    columns[TEL] = JoinNonEmpty(phones, QStringLiteral(", "));
    std::stable_sort(emails.begin(), emails.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    if (emails.isEmpty())
        emails.append({0, QString()});
    for (const auto& email : std::as_const(emails)) {
        columns[EMAIL] = email.second;
        m_rows.append(CContactRow{columns, nLine, QString()});
    }
}

CVCardSource::Property CVCardSource::ParseLine(const QString& strLine) {
    Property property;
    // The name and parameters end at the first colon outside double quotes.
    qsizetype nColon = -1;
    bool bQuoted = false;
    for (qsizetype i = 0; i < strLine.size() && nColon < 0; ++i) {
        if (strLine[i] == u'"')
            bQuoted = !bQuoted;
        else if (strLine[i] == u':' && !bQuoted)
            nColon = i;
    }
    if (nColon < 0)
        return property;
    QStringList head = strLine.first(nColon).split(u';');
    QString strName = head.takeFirst().trimmed().toUpper();
    if (const qsizetype nDot = strName.lastIndexOf(u'.'); nDot >= 0)
        strName = strName.mid(nDot + 1); // a group: item1.EMAIL
    property.strName = strName;
    property.params = head;
    property.strValue = strLine.mid(nColon + 1);
    return property;
}

QStringList CVCardSource::DecodeValue(const Property& property) {
    QString strValue = property.strValue;
    if (IsQuotedPrintable(property.params))
        strValue = DecodeBytes(FromQuotedPrintable(strValue.toUtf8()),
                               ParamValue(property.params, QStringLiteral("CHARSET")));
    return SplitAndUnescape(strValue);
}

// A line that starts with a blank or a tab continues the one before it; a
// quoted-printable value that ends in '=' continues on the next line as it is.
bool CVCardSource::ReadLogicalLine(QString* pLine) {
    if (m_bHavePending) {
        *pLine = m_strPending;
        m_nLine = m_nPendingLine;
        m_bHavePending = false;
    } else if (ReadPhysicalLine(pLine)) {
        m_nLine = m_nPhysicalLine;
    } else {
        return false;
    }
    QString strNext;
    while (ReadPhysicalLine(&strNext)) {
        if (pLine->endsWith(u'=') && IsQuotedPrintable(ParseLine(*pLine).params)) {
            pLine->chop(1);
            *pLine += strNext;
        } else if (!strNext.isEmpty() && (strNext[0] == u' ' || strNext[0] == u'\t')) {
            *pLine += QStringView(strNext).mid(1);
        } else {
            m_strPending = strNext;
            m_nPendingLine = m_nPhysicalLine;
            m_bHavePending = true;
            break;
        }
    }
    return true;
}

bool CVCardSource::ReadPhysicalLine(QString* pLine) {
    pLine->clear();
    while (true) {
        if (m_nPos >= m_buffer.size()) {
            if (m_bEnd || (m_buffer = m_text.Read()).isEmpty()) {
                m_bEnd = true;
                m_nPhysicalLine += pLine->isEmpty() ? 0 : 1;
                return !pLine->isEmpty();
            }
            m_nPos = 0;
        }
        const qsizetype nEnd = m_buffer.indexOf(u'\n', m_nPos);
        if (nEnd < 0) {
            *pLine += QStringView(m_buffer).mid(m_nPos);
            m_nPos = m_buffer.size();
            continue;
        }
        *pLine += QStringView(m_buffer).mid(m_nPos, nEnd - m_nPos);
        m_nPos = nEnd + 1;
        if (pLine->endsWith(u'\r'))
            pLine->chop(1);
        ++m_nPhysicalLine;
        return true;
    }
}
