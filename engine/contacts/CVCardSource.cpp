#include "engine/contacts/CVCardSource.h"

#include "engine/contacts/CLineEnd.h"
#include "engine/merge/CTemplateDecoder.h"

#include <QStringDecoder>
#include <algorithm>

namespace {

// A BEGIN or END line keeps this much of its value, whatever the card's size.
constexpr qsizetype kBoundaryBytes = 16;

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

QByteArray FromQuotedPrintable(QByteArrayView encoded) {
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

// The bytes in the encoding a CHARSET parameter names; false when it names
// none that is known, or the bytes are not in it.
bool DecodeCharset(const QByteArray& bytes, const QString& strCharset, QString* pText) {
    QStringDecoder decoder(strCharset.toLatin1().constData());
    if (!decoder.isValid())
        return false;
    *pText = decoder(bytes);
    return !decoder.hasError();
}

// The properties whose values a column uses; the values of all others are
// passed over unread.
bool IsKept(const QString& strName, const QStringList& params) {
    static const QStringList kept = {
        QStringLiteral("BEGIN"), QStringLiteral("END"),   QStringLiteral("FN"),
        QStringLiteral("N"),     QStringLiteral("EMAIL"), QStringLiteral("ORG"),
        QStringLiteral("TITLE"), QStringLiteral("TEL"),   QStringLiteral("ADR"),
        QStringLiteral("NOTE")};
    return !IsBinary(params) &&
           (kept.contains(strName) || strName.startsWith(QStringLiteral("X-CORVANE-")));
}

// A line that names the encoding of its value says nothing of the file's.
bool HasNoCharset(QByteArrayView line) {
    const qsizetype nColon = line.indexOf(':');
    const QByteArray head = line.first(nColon < 0 ? line.size() : nColon).toByteArray().toUpper();
    return !head.contains(";CHARSET=");
}

bool IsBoundary(const QString& strName) {
    return strName == u"BEGIN" || strName == u"END";
}

bool IsCardBoundary(const QString& strName, QByteArrayView value, QLatin1String boundary) {
    return strName == boundary && value.trimmed().compare("VCARD", Qt::CaseInsensitive) == 0;
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

// A property as its lines come in: the name and parameters up to the first
// colon outside double quotes, then the value, kept within the card's bound.
struct CVCardSource::Reading {
    explicit Reading(Property* pRead) : pProperty(pRead) {}

    Property* pProperty;
    QByteArray head;
    bool bHeadQuoted = false;
    bool bInValue = false;
    bool bKept = false;
    bool bBoundary = false;
    bool bQuotedPrintable = false;
    char last = 0; // the last byte of the property so far
};

CVCardSource::CVCardSource(const QString& strPath) : m_text(strPath, HasNoCharset) {}

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
// ends inside is taken as far as it goes. A card that a new BEGIN:VCARD
// interrupts is refused: what follows belongs to the next card.
bool CVCardSource::ReadCard() {
    const QLatin1String begin("BEGIN"), end("END");
    Property property;
    while (!m_bBeginRead) {
        if (!ReadProperty(&property))
            return false;
        m_bBeginRead = IsCardBoundary(property.strName, property.value, begin);
        m_nBeginLine = property.nLine;
    }
    m_bBeginRead = false;
    const qint64 nBegin = m_nBeginLine;
    m_nCardBytes = 0;
    QList<Property> properties;
    bool bTooMany = false;
    QString strProblem;
    while (ReadProperty(&property) && !IsCardBoundary(property.strName, property.value, end)) {
        if (IsCardBoundary(property.strName, property.value, begin)) {
            m_bBeginRead = true;
            m_nBeginLine = property.nLine;
            strProblem = QStringLiteral("The card does not end before the next card begins in line %1.")
                             .arg(property.nLine);
            break;
        }
        bTooMany = bTooMany || properties.size() >= kMaxProperties;
        if (!property.strName.isEmpty() && !bTooMany)
            properties.append(property);
    }
    if (bTooMany || m_nCardBytes > kMaxCardBytes) {
        strProblem = bTooMany
                         ? QStringLiteral("The card has more than %1 properties.").arg(kMaxProperties)
                         : QStringLiteral("The card holds more than 1 MiB of text.");
        properties.clear();
    }
    AddCardRows(properties, nBegin, strProblem);
    return true;
}

void CVCardSource::AddCardRows(const QList<Property>& properties, qint64 nLine,
                               const QString& strProblem) {
    QStringList columns(ColumnNames().size());
    QString strNameFromN;
    QList<std::pair<int, QString>> emails;
    QStringList phones;
    for (const Property& property : properties) {
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
        m_rows.append(CContactRow{columns, nLine, strProblem});
    }
}

QStringList CVCardSource::DecodeValue(const Property& property) {
    const bool bQuotedPrintable = IsQuotedPrintable(property.params);
    const QByteArray bytes =
        bQuotedPrintable ? FromQuotedPrintable(property.value) : property.value;
    QString strText;
    const QString strCharset = ParamValue(property.params, QStringLiteral("CHARSET"));
    if (strCharset.isEmpty() || !DecodeCharset(bytes, strCharset, &strText))
        strText = DecodeText(bytes, bQuotedPrintable, property.nLine);
    return SplitAndUnescape(strText);
}

// A value without a CHARSET of its own is read in the file's encoding.
// Quoted-printable bytes are the card writer's own; when they are UTF-8,
// they are read as UTF-8 whatever the file.
QString CVCardSource::DecodeText(const QByteArray& bytes, bool bPreferUtf8, qint64 nLine) {
    if (bPreferUtf8 && CTemplateDecoder::ValidUtf8Length(bytes, false) >= 0)
        return QString::fromUtf8(bytes);
    bool bFallback = false;
    const QString strText = m_text.Decode(bytes, &bFallback);
    if (bFallback)
        m_text.NoteFallback(nLine);
    return strText;
}

// A line that starts with a blank or a tab continues the one before it; a
// quoted-printable value that ends in '=' continues on the next line as it is.
bool CVCardSource::ReadProperty(Property* pProperty) {
    QByteArray line;
    qint64 nLine = 0;
    if (m_bHavePending) {
        line = std::move(m_pending);
        m_bHavePending = false;
        nLine = m_nPendingLine;
    } else if (ReadPhysicalLine(&line)) {
        nLine = m_nPhysicalLine;
    } else {
        return false;
    }
    *pProperty = Property{QString(), QStringList(), QByteArray(), nLine};
    Reading reading(pProperty);
    TakeLine(&reading, line, false);
    QByteArray* pNext = nullptr;
    while (PeekPhysicalLine(&pNext)) {
        const bool bSoftBreak = reading.bQuotedPrintable && reading.last == '=';
        const bool bFolded = !pNext->isEmpty() && (pNext->front() == ' ' || pNext->front() == '\t');
        if (!bSoftBreak && !bFolded)
            break;
        m_bHavePending = false;
        TakeLine(&reading, QByteArrayView(*pNext).sliced(bSoftBreak ? 0 : 1), bSoftBreak);
    }
    return true;
}

// One line of a property, or the part of it that continues the property.
void CVCardSource::TakeLine(Reading* pReading, QByteArrayView line, bool bSoftBreak) {
    Property& property = *pReading->pProperty;
    if (bSoftBreak && pReading->bKept && !property.value.isEmpty())
        property.value.chop(1);
    if (!line.isEmpty())
        pReading->last = line.back();
    if (!pReading->bInValue) {
        qsizetype nColon = -1;
        for (qsizetype i = 0; i < line.size() && nColon < 0; ++i) {
            if (line[i] == '"')
                pReading->bHeadQuoted = !pReading->bHeadQuoted;
            else if (line[i] == ':' && !pReading->bHeadQuoted)
                nColon = i;
        }
        if (nColon < 0) {
            if (pReading->head.size() < kMaxCardBytes)
                pReading->head += line;
            return;
        }
        pReading->head += line.first(nColon);
        QStringList head = QString::fromUtf8(pReading->head).split(u';');
        QString strName = head.takeFirst().trimmed().toUpper();
        if (const qsizetype nDot = strName.lastIndexOf(u'.'); nDot >= 0)
            strName = strName.mid(nDot + 1); // a group: item1.EMAIL
        property.strName = strName;
        property.params = head;
        pReading->bInValue = true;
        pReading->bKept = IsKept(strName, head);
        pReading->bBoundary = IsBoundary(strName);
        pReading->bQuotedPrintable = IsQuotedPrintable(head);
        line = line.sliced(nColon + 1);
    }
    if (pReading->bBoundary) {
        property.value += line.first(std::min(line.size(), kBoundaryBytes - property.value.size()));
        return;
    }
    if (!pReading->bKept || m_nCardBytes > kMaxCardBytes)
        return;
    m_nCardBytes += line.size();
    if (m_nCardBytes > kMaxCardBytes)
        property.value = QByteArray();
    else
        property.value += line;
}

bool CVCardSource::PeekPhysicalLine(QByteArray** ppLine) {
    if (!m_bHavePending) {
        m_bHavePending = ReadPhysicalLine(&m_pending);
        m_nPendingLine = m_nPhysicalLine;
    }
    *ppLine = &m_pending;
    return m_bHavePending;
}

// The next line without its line end; false at the end of the file. A line
// longer than a card may be is cut there, and the rest passed over.
bool CVCardSource::ReadPhysicalLine(QByteArray* pLine) {
    pLine->clear();
    if (!Ensure(1))
        return false;
    while (Ensure(1)) {
        qsizetype nBreak = m_nPos;
        while (nBreak < m_buffer.size() && !CLineEnd::IsLineBreak(static_cast<unsigned char>(m_buffer[nBreak])))
            ++nBreak;
        const qsizetype nRoom = std::max<qsizetype>(0, kMaxCardBytes + 1 - pLine->size());
        pLine->append(QByteArrayView(m_buffer).sliced(m_nPos, std::min(nBreak - m_nPos, nRoom)));
        m_nPos = nBreak;
        if (nBreak < m_buffer.size()) {
            Ensure(CLineEnd::kMaxLength);
            m_nPos += CLineEnd::LengthAt(QByteArrayView(m_buffer), m_nPos, true);
            break;
        }
    }
    ++m_nPhysicalLine;
    return true;
}

// Makes nBytes bytes from the position on available, as far as the file
// goes; true when they are.
bool CVCardSource::Ensure(qsizetype nBytes) {
    while (m_buffer.size() - m_nPos < nBytes && !m_bEnd) {
        const QByteArray bytes = m_text.ReadBytes();
        m_bEnd = bytes.isEmpty();
        m_buffer.remove(0, m_nPos);
        m_nPos = 0;
        m_buffer += bytes;
    }
    return m_buffer.size() - m_nPos >= nBytes;
}
