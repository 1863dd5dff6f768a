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
// record with a problem.
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
        const QChar c = Next();
        if (bInQuotes) {
            if (c != kQuote)
                strField += c;
            else if (!AtEnd() && m_buffer[m_nPos] == kQuote)
                strField += Next();
            else
                bInQuotes = false;
            m_nLine += c == u'\n' || (c == u'\r' && (AtEnd() || m_buffer[m_nPos] != u'\n'));
            continue;
        }
        if (c == m_delimiter) {
            pRow->fields.append(strField);
            strField.clear();
            bFieldStarted = false;
        } else if (c == u'\r' || c == u'\n') {
            SkipLineEnd(c);
            pRow->fields.append(strField);
            return true;
        } else if (c == kQuote && !bFieldStarted) {
            bInQuotes = bFieldStarted = true;
            nQuoteLine = m_nLine;
        } else {
            strField += c;
            bFieldStarted = true;
        }
    }
    if (bInQuotes)
        pRow->strProblem =
            QStringLiteral("The quote opened in line %1 is never closed.").arg(nQuoteLine);
    pRow->fields.append(strField);
    return true;
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
