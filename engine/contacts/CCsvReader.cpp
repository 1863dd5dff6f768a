#include "engine/contacts/CCsvReader.h"

#include "engine/contacts/CLineEnd.h"

namespace {

constexpr QChar kQuote = u'"';

} // namespace

CCsvReader::CCsvReader(Pieces pieces) : m_pieces(std::move(pieces)) {}

QStringView CCsvReader::PeekLine(qsizetype nMax) {
    Ensure(nMax);
    const QStringView text = QStringView(m_buffer).mid(m_nPos, nMax);
    for (qsizetype i = 0; i < text.size(); ++i)
        if (CLineEnd::IsLineBreak(text[i].unicode()))
            return text.first(i);
    return text;
}

bool CCsvReader::ReadRecord(CContactRow* pRow) {
    pRow->fields.clear();
    pRow->strProblem.clear();
    while (Ensure(1) && CLineEnd::IsLineBreak(m_buffer[m_nPos].unicode()))
        TakeLineEnd();
    if (!Ensure(1))
        return false;
    pRow->nLine = m_nLine;
    m_pRow = pRow;
    m_nCharacters = 0;
    m_bTooLong = false;
    QString strField;
    FieldEnd end = FieldEnd::Delimiter;
    while (end == FieldEnd::Delimiter) {
        end = ReadField(&strField);
        AddField(&strField);
    }
    return true;
}

// A field, quoted or not; text after a closing quote belongs to the field,
// as spreadsheets read it.
CCsvReader::FieldEnd CCsvReader::ReadField(QString* pField) {
    pField->clear();
    if (Ensure(1) && m_buffer[m_nPos] == kQuote) {
        ++m_nPos;
        const qint64 nQuoteLine = m_nLine;
        if (!ReadQuoted(pField)) {
            Refuse(QStringLiteral("The quote opened in line %1 is never closed.").arg(nQuoteLine));
            return FieldEnd::Record;
        }
    }
    while (Ensure(1)) {
        const QChar c = m_buffer[m_nPos];
        if (c == m_delimiter) {
            ++m_nPos;
            return FieldEnd::Delimiter;
        }
        if (CLineEnd::IsLineBreak(c.unicode())) {
            TakeLineEnd();
            return FieldEnd::Record;
        }
        Keep(pField, ReadPlain());
    }
    return FieldEnd::Record;
}

// Inside quotes: runs of text, doubled quotes and line ends up to the closing
// quote. False when the text ends first, or a line that starts a record.
bool CCsvReader::ReadQuoted(QString* pField) {
    while (Ensure(1)) {
        const qsizetype nRunEnd = QuotedRunEnd();
        Keep(pField, QStringView(m_buffer).mid(m_nPos, nRunEnd - m_nPos));
        m_nPos = nRunEnd;
        if (m_nPos == m_buffer.size())
            continue;
        if (m_buffer[m_nPos] != kQuote) {
            const qsizetype nStart = m_nPos;
            TakeLineEnd();
            Keep(pField, QStringView(m_buffer).mid(nStart, m_nPos - nStart));
            if (NextLineStartsRecord())
                return false;
            continue;
        }
        ++m_nPos;
        if (!Ensure(1) || m_buffer[m_nPos] != kQuote)
            return true;
        Keep(pField, QStringView(&kQuote, 1));
        ++m_nPos;
    }
    return false;
}

qsizetype CCsvReader::QuotedRunEnd() const {
    qsizetype nEnd = m_nPos;
    while (nEnd < m_buffer.size() && m_buffer[nEnd] != kQuote &&
           !CLineEnd::IsLineBreak(m_buffer[nEnd].unicode()))
        ++nEnd;
    return nEnd;
}

// The characters up to the next delimiter, line end or the buffer's end.
QStringView CCsvReader::ReadPlain() {
    const qsizetype nStart = m_nPos;
    while (m_nPos < m_buffer.size()) {
        const QChar c = m_buffer[m_nPos];
        if (c == m_delimiter || CLineEnd::IsLineBreak(c.unicode()))
            break;
        ++m_nPos;
    }
    return QStringView(m_buffer).mid(nStart, m_nPos - nStart);
}

// Takes the line end at the position, which holds a CR or an LF.
void CCsvReader::TakeLineEnd() {
    Ensure(CLineEnd::kMaxLength);
    m_nPos += CLineEnd::LengthAt(QStringView(m_buffer), m_nPos, true);
    ++m_nLine;
}

bool CCsvReader::NextLineStartsRecord() {
    if (!m_startsRecord)
        return false;
    Ensure(kStartLength);
    return m_startsRecord(PeekLine(kStartLength));
}

void CCsvReader::Keep(QString* pField, QStringView text) {
    if (m_bTooLong)
        return;
    m_nCharacters += text.size();
    if (m_nCharacters <= kMaxCharacters) {
        pField->append(text);
        return;
    }
    TooLong(QStringLiteral("The row has more than %1 characters.").arg(kMaxCharacters));
    *pField = QString();
}

void CCsvReader::AddField(QString* pField) {
    if (m_bTooLong)
        return;
    if (m_pRow->fields.size() < kMaxFields)
        m_pRow->fields.append(std::move(*pField));
    else
        TooLong(QStringLiteral("The row has more than %1 fields.").arg(kMaxFields));
}

// A record keeps the first of its problems.
void CCsvReader::Refuse(const QString& strProblem) {
    if (m_pRow->strProblem.isEmpty())
        m_pRow->strProblem = strProblem;
}

// A record too long to keep is read to its end without keeping its fields.
void CCsvReader::TooLong(const QString& strProblem) {
    Refuse(strProblem);
    m_bTooLong = true;
    m_pRow->fields = QStringList();
}

// Makes nCharacters characters from the position on available, as far as the
// text goes; true when they are.
bool CCsvReader::Ensure(qsizetype nCharacters) {
    while (m_buffer.size() - m_nPos < nCharacters && !m_bEnd) {
        QString strPiece = m_pieces();
        if (strPiece.isEmpty()) {
            m_bEnd = true;
        } else if (m_nPos == m_buffer.size()) {
            m_buffer = std::move(strPiece);
            m_nPos = 0;
        } else {
            m_buffer.remove(0, m_nPos);
            m_buffer += strPiece;
            m_nPos = 0;
        }
    }
    return m_buffer.size() - m_nPos >= nCharacters;
}
