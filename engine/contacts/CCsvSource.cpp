#include "engine/contacts/CCsvSource.h"

#include "engine/contacts/CContactError.h"

namespace {

constexpr QChar kQuote = u'"';

bool HoldsAddress(const QStringList& fields) {
    for (const QString& strField : fields) {
        const qsizetype nAt = strField.indexOf(u'@');
        if (nAt > 0 && nAt < strField.size() - 1 && !strField.contains(u' '))
            return true;
    }
    return false;
}

} // namespace

CCsvSource::CCsvSource(const QString& strPath) : m_text(strPath) {
    Fill();
    const qsizetype nLineEnd = m_buffer.indexOf(u'\n');
    m_delimiter = FindDelimiter(QStringView(m_buffer).first(nLineEnd < 0 ? m_buffer.size() : nLineEnd));
    CContactRow header;
    if (!ReadRecord(&header))
        throw CContactError(QStringLiteral("The file \"%1\" holds no rows.").arg(strPath));
    if (HoldsAddress(header.fields)) {
        for (qsizetype i = 1; i <= header.fields.size(); ++i)
            m_headers.append(QStringLiteral("Column %1").arg(i));
        m_firstRow = header;
        m_bFirstRowIsData = true;
        return;
    }
    if (!header.strProblem.isEmpty())
        throw CContactError(QStringLiteral("The header row of \"%1\" cannot be read: %2")
                                .arg(strPath, header.strProblem));
    m_headers = header.fields;
}

bool CCsvSource::ReadRow(CContactRow* pRow) {
    if (m_bFirstRowIsData) {
        m_bFirstRowIsData = false;
        *pRow = m_firstRow;
        return true;
    }
    if (!ReadRecord(pRow))
        return false;
    if (pRow->strProblem.isEmpty() && pRow->fields.size() != m_headers.size())
        pRow->strProblem = QStringLiteral("The row has %1 fields; the header has %2.")
                               .arg(pRow->fields.size())
                               .arg(m_headers.size());
    return true;
}

QChar CCsvSource::FindDelimiter(QStringView line) {
    int nComma = 0, nSemicolon = 0, nTab = 0;
    bool bQuoted = false;
    for (const QChar c : line) {
        if (c == kQuote)
            bQuoted = !bQuoted;
        else if (!bQuoted && c == u',')
            ++nComma;
        else if (!bQuoted && c == u';')
            ++nSemicolon;
        else if (!bQuoted && c == u'\t')
            ++nTab;
    }
    if (nTab > nComma && nTab >= nSemicolon)
        return u'\t';
    if (nSemicolon > nComma)
        return u';';
    return u',';
}

// One record: fields up to a line end outside quotes. Blank lines between
// records are skipped; a quote still open at the end of the file ends the
// record with a problem. Runs of plain characters are copied whole.
bool CCsvSource::ReadRecord(CContactRow* pRow) {
    pRow->fields.clear();
    pRow->strProblem.clear();
    while (!AtEnd() && (m_buffer[m_nPos] == u'\r' || m_buffer[m_nPos] == u'\n'))
        SkipLineEnd(Next());
    if (AtEnd())
        return false;
    pRow->nLine = m_nLine;
    QString strField;
    bool bInQuotes = false;
    bool bFieldStarted = false;
    qint64 nQuoteLine = 0;
    while (!AtEnd()) {
        if (bInQuotes) {
            bInQuotes = ReadQuoted(&strField);
            continue;
        }
        const QChar c = m_buffer[m_nPos];
        if (c == m_delimiter || c == u'\r' || c == u'\n') {
            ++m_nPos;
            pRow->fields.append(strField);
            strField.clear();
            bFieldStarted = false;
            if (c != m_delimiter) {
                SkipLineEnd(c);
                return true;
            }
        } else if (c == kQuote && !bFieldStarted) {
            ++m_nPos;
            bInQuotes = bFieldStarted = true;
            nQuoteLine = m_nLine;
        } else {
            strField += ReadPlain();
            bFieldStarted = true;
        }
    }
    if (bInQuotes)
        pRow->strProblem =
            QStringLiteral("The quote opened in line %1 is never closed.").arg(nQuoteLine);
    pRow->fields.append(strField);
    return true;
}

// The characters up to the next delimiter, line end or the buffer's end.
QStringView CCsvSource::ReadPlain() {
    const qsizetype nStart = m_nPos;
    while (m_nPos < m_buffer.size()) {
        const QChar c = m_buffer[m_nPos];
        if (c == m_delimiter || c == u'\r' || c == u'\n')
            break;
        ++m_nPos;
    }
    return QStringView(m_buffer).mid(nStart, m_nPos - nStart);
}

// Inside quotes: text up to the next quote, which is either doubled (a quote
// of the text) or closes the field. False once the field is closed.
bool CCsvSource::ReadQuoted(QString* pField) {
    const qsizetype nQuote = m_buffer.indexOf(kQuote, m_nPos);
    const qsizetype nEnd = nQuote < 0 ? m_buffer.size() : nQuote;
    const QStringView text = QStringView(m_buffer).mid(m_nPos, nEnd - m_nPos);
    for (qsizetype i = 0; i < text.size(); ++i)
        m_nLine += text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'));
    *pField += text;
    m_nPos = nEnd;
    if (nQuote < 0)
        return true;
    ++m_nPos;
    if (!AtEnd() && m_buffer[m_nPos] == kQuote) {
        *pField += kQuote;
        ++m_nPos;
        return true;
    }
    return false;
}

// Keeps text in the buffer: true while there is some left to read.
bool CCsvSource::Fill() {
    while (m_nPos >= m_buffer.size() && !m_bEnd) {
        const QString strMore = m_text.Read();
        m_buffer = strMore;
        m_nPos = 0;
        m_bEnd = strMore.isEmpty();
    }
    return m_nPos < m_buffer.size();
}

QChar CCsvSource::Next() {
    return m_buffer[m_nPos++];
}

bool CCsvSource::AtEnd() {
    return m_nPos >= m_buffer.size() && !Fill();
}

// A line ends in LF, CR LF, or a lone CR (old Mac files); lines ending
// differently within one file are all counted.
void CCsvSource::SkipLineEnd(QChar c) {
    if (c == u'\r' && !AtEnd() && m_buffer[m_nPos] == u'\n')
        ++m_nPos;
    ++m_nLine;
}
