#include "engine/contacts/CCsvWriter.h"

#include "engine/contacts/CContactError.h"

namespace {

constexpr qsizetype kFlushSize = 256 * 1024;
constexpr char16_t kGuard = u'\'';

char16_t Code(QChar c) {
    return c.unicode();
}

char16_t Code(char c) {
    return static_cast<unsigned char>(c);
}

// A sign, digits, and a decimal point or comma with more digits: what a
// spreadsheet takes as a number, never as a formula.
template <typename Text>
bool IsPlainNumber(const Text& text) {
    qsizetype i = !text.isEmpty() && (Code(text[0]) == u'+' || Code(text[0]) == u'-') ? 1 : 0;
    const auto digits = [&text, &i] {
        const qsizetype nStart = i;
        while (i < text.size() && Code(text[i]) >= u'0' && Code(text[i]) <= u'9')
            ++i;
        return i > nStart;
    };
    if (!digits())
        return false;
    if (i < text.size() && (Code(text[i]) == u'.' || Code(text[i]) == u',')) {
        ++i;
        if (!digits())
            return false;
    }
    return i == text.size();
}

template <typename Text>
bool NeedsGuard(const Text& text) {
    if (text.isEmpty())
        return false;
    const char16_t c = Code(text[0]);
    if (c == kGuard || c == u'=' || c == u'@' || c == u'\t' || c == u'\r')
        return true;
    return (c == u'+' || c == u'-') && !IsPlainNumber(text);
}

bool NeedsQuotes(const QString& strField) {
    for (const QChar c : strField)
        if (c == u',' || c == u'"' || c == u'\n' || c == u'\r' || c == u';' || c == u'\t')
            return true;
    return !strField.isEmpty() && (strField.front().isSpace() || strField.back().isSpace());
}

// The same for UTF-8: the characters that need quotes are all ASCII.
bool NeedsQuotes(QByteArrayView field) {
    for (const char c : field)
        if (c == ',' || c == '"' || c == '\n' || c == '\r' || c == ';' || c == '\t')
            return true;
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; };
    return !field.isEmpty() && (isBlank(field.front()) || isBlank(field.back()));
}

} // namespace

CCsvWriter::CCsvWriter(const QString& strPath) : m_file(strPath) {
    if (!m_file.open(QIODevice::WriteOnly))
        ThrowWriteError();
    m_buffer = "\xEF\xBB\xBF";
    m_buffer.reserve(kFlushSize + kFlushSize / 4);
}

void CCsvWriter::Write(const QStringList& fields) {
    Append(Line(fields));
    if (m_buffer.size() >= kFlushSize)
        Flush();
}

// Copied straight into the buffer: a large export makes no text per line.
void CCsvWriter::Write(const QList<QByteArrayView>& fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            m_buffer += ',';
        AppendField(fields[i]);
    }
    m_buffer += "\r\n";
    if (m_buffer.size() >= kFlushSize)
        Flush();
}

void CCsvWriter::AppendField(QByteArrayView field) {
    const bool bQuotes = NeedsQuotes(field);
    const QByteArrayView quote = bQuotes ? "\"" : "";
    m_buffer += quote;
    if (NeedsGuard(field))
        m_buffer += char(kGuard);
    if (bQuotes)
        m_buffer += field.toByteArray().replace('"', "\"\"");
    else
        m_buffer += field;
    m_buffer += quote;
}

void CCsvWriter::Append(QStringView text) {
    const qsizetype nUsed = m_buffer.size();
    m_buffer.resize(nUsed + m_encoder.requiredSpace(text.size()));
    char* pEnd = m_encoder.appendToBuffer(m_buffer.data() + nUsed, text);
    m_buffer.resize(pEnd - m_buffer.constData());
}

void CCsvWriter::WriteLines(QFile& source) {
    Flush();
    while (!source.atEnd()) {
        m_buffer = source.read(kFlushSize);
        if (m_buffer.isEmpty())
            throw CContactError::CannotRead(source.fileName(), source.errorString());
        Flush();
    }
}

void CCsvWriter::Commit() {
    Flush();
    if (!m_file.commit())
        ThrowWriteError();
}

QString CCsvWriter::Line(const QStringList& fields) {
    QString strLine;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            strLine += u',';
        const QString strField = Guarded(fields[i]);
        if (NeedsQuotes(strField))
            strLine += u'"' + QString(strField).replace(u'"', QStringLiteral("\"\"")) + u'"';
        else
            strLine += strField;
    }
    return strLine + QStringLiteral("\r\n");
}

QString CCsvWriter::Guarded(const QString& strField) {
    return NeedsGuard(strField) ? QChar(kGuard) + strField : strField;
}

QString CCsvWriter::Unguarded(const QString& strField) {
    return strField.startsWith(QChar(kGuard)) ? strField.mid(1) : strField;
}

void CCsvWriter::Flush() {
    if (m_file.write(m_buffer) != m_buffer.size())
        ThrowWriteError();
    m_buffer.clear();
}

void CCsvWriter::ThrowWriteError() const {
    throw CContactError::CannotWrite(m_file.fileName(), m_file.errorString());
}
