#include "engine/contacts/CCsvSource.h"

#include "engine/contacts/CContactError.h"

#include <algorithm>

namespace {

// The delimiter is told from this much of the first line.
constexpr qsizetype kDelimiterSample = 64 * 1024;

bool HoldsAddress(const QStringList& fields) {
    for (const QString& strField : fields) {
        const qsizetype nAt = strField.indexOf(u'@');
        if (nAt > 0 && nAt < strField.size() - 1 && !strField.contains(u' '))
            return true;
    }
    return false;
}

QString ColumnName(qsizetype nColumn) {
    return QStringLiteral("Column %1").arg(nColumn + 1);
}

} // namespace

CCsvSource::CCsvSource(const QString& strPath)
    : m_text(strPath), m_reader([this] { return m_text.Read(); }) {
    m_delimiter = FindDelimiter(m_reader.PeekLine(kDelimiterSample));
    m_reader.SetDelimiter(m_delimiter);
    CContactRow header;
    if (!m_reader.ReadRecord(&header))
        throw CContactError(QStringLiteral("The file \"%1\" holds no rows.").arg(strPath));
    if (HoldsAddress(header.fields)) {
        for (qsizetype i = 0; i < header.fields.size(); ++i)
            m_headers.append(ColumnName(i));
        m_firstRow = header;
        m_bFirstRowIsData = true;
        return;
    }
    if (!header.strProblem.isEmpty())
        throw CContactError(QStringLiteral("The header row of \"%1\" cannot be read: %2")
                                .arg(strPath, header.strProblem));
    m_headers = header.fields;
}

void CCsvSource::NameColumns(const QStringList& names) {
    QStringList headers = names;
    for (qsizetype i = names.size(); i < m_headers.size(); ++i)
        headers.append(ColumnName(i));
    m_headers = headers;
}

bool CCsvSource::ReadRow(CContactRow* pRow) {
    if (m_bFirstRowIsData) {
        m_bFirstRowIsData = false;
        *pRow = m_firstRow;
        m_firstRow = CContactRow();
    } else if (!m_reader.ReadRecord(pRow)) {
        return false;
    }
    if (pRow->strProblem.isEmpty() && pRow->fields.size() > m_headers.size())
        DropEmptyExtras(pRow);
    return true;
}

// Thunderbird ends every row with one delimiter more than its header has:
// extra fields that are all empty lose nothing and are dropped; extra text
// refuses the row.
void CCsvSource::DropEmptyExtras(CContactRow* pRow) const {
    const QStringList extras = pRow->fields.mid(m_headers.size());
    if (std::all_of(extras.cbegin(), extras.cend(), [](const QString& strField) { return strField.isEmpty(); }))
        pRow->fields.resize(m_headers.size());
    else
        pRow->strProblem = WrongFieldCount(pRow->fields.size(), m_headers.size());
}

QString CCsvSource::WrongFieldCount(qsizetype nFields, qsizetype nHeaders) {
    return QStringLiteral("The row has %1 fields; the header has %2.").arg(nFields).arg(nHeaders);
}

QChar CCsvSource::FindDelimiter(QStringView line) {
    int nComma = 0, nSemicolon = 0, nTab = 0;
    bool bQuoted = false;
    for (const QChar c : line) {
        if (c == u'"')
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
