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

} // namespace

CCsvWriter::CCsvWriter(const QString& strPath) : m_file(strPath) {
    if (!m_file.open(QIODevice::WriteOnly))
        ThrowWriteError();
    m_buffer = "\xEF\xBB\xBF";
}

void CCsvWriter::Write(const QStringList& fields) {
    m_buffer += Line(fields).toUtf8();
    if (m_buffer.size() >= kFlushSize)
        Flush();
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
    throw CContactError(QStringLiteral("The file \"%1\" cannot be written: %2.")
                            .arg(m_file.fileName(), m_file.errorString()));
}
