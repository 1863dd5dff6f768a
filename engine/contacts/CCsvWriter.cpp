#include "engine/contacts/CCsvWriter.h"

#include "engine/contacts/CContactError.h"

namespace {

constexpr qsizetype kFlushSize = 256 * 1024;

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

// Encoded straight into the buffer: a large export makes no text per line.
void CCsvWriter::Write(const QStringList& fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            m_buffer += ',';
        if (NeedsQuotes(fields[i]))
            Append(QString(u'"' + QString(fields[i]).replace(u'"', QStringLiteral("\"\"")) + u'"'));
        else
            Append(fields[i]);
    }
    m_buffer += "\r\n";
    if (m_buffer.size() >= kFlushSize)
        Flush();
}

void CCsvWriter::Write(const QList<QByteArrayView>& fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            m_buffer += ',';
        if (!NeedsQuotes(fields[i])) {
            m_buffer += fields[i];
            continue;
        }
        m_buffer += '"';
        for (const char c : fields[i])
            m_buffer += c == '"' ? QByteArrayView("\"\"") : QByteArrayView(&c, 1);
        m_buffer += '"';
    }
    m_buffer += "\r\n";
    if (m_buffer.size() >= kFlushSize)
        Flush();
}

void CCsvWriter::Append(QStringView text) {
    const qsizetype nUsed = m_buffer.size();
    m_buffer.resize(nUsed + m_encoder.requiredSpace(text.size()));
    char* pEnd = m_encoder.appendToBuffer(m_buffer.data() + nUsed, text);
    m_buffer.resize(pEnd - m_buffer.constData());
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
        if (NeedsQuotes(fields[i]))
            strLine += u'"' + QString(fields[i]).replace(u'"', QStringLiteral("\"\"")) + u'"';
        else
            strLine += fields[i];
    }
    return strLine + QStringLiteral("\r\n");
}

void CCsvWriter::Flush() {
    if (m_file.write(m_buffer) != m_buffer.size())
        ThrowWriteError();
    m_buffer.clear();
}

void CCsvWriter::ThrowWriteError() const {
    throw CContactError::CannotWrite(m_file.fileName(), m_file.errorString());
}
