#include "engine/send/CSendLog.h"

#include "engine/contacts/CCsvWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QStringList kHeader = {
    QStringLiteral("Time"),     QStringLiteral("EMail"),   QStringLiteral("Name"),
    QStringLiteral("Template"), QStringLiteral("Subject"), QStringLiteral("Result"),
    QStringLiteral("Error"),    QStringLiteral("Message"), QStringLiteral("Message-ID")};

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

// Put before a field to make a spreadsheet take it as text.
constexpr QChar kTextMark = u'\'';

// The first characters with which a spreadsheet takes a field for a formula.
bool IsFormulaStart(QChar c) {
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

// A field that a spreadsheet would run as a formula gets the text mark in
// front; so does one that already starts with the mark, which makes the
// reading unambiguous: it takes one mark off every field that starts with one.
QString Neutralised(const QString& strField) {
    if (!strField.isEmpty() && (IsFormulaStart(strField.front()) || strField.front() == kTextMark))
        return kTextMark + strField;
    return strField;
}

QString Restored(const QString& strField) {
    return strField.startsWith(kTextMark) ? strField.mid(1) : strField;
}

} // namespace

CSendLog::CSendLog(QString strPath) : m_strPath(std::move(strPath)) {}

QString CSendLog::PathBeside(const QString& strDatabaseFile) {
    return QFileInfo(strDatabaseFile).absoluteDir().filePath(kFileName);
}

QString CSendLog::ResultText(CSendLogEntry::Result result) {
    switch (result) {
    case CSendLogEntry::Result::Sent:
        return QStringLiteral("sent");
    case CSendLogEntry::Result::Failed:
        return QStringLiteral("failed");
    case CSendLogEntry::Result::Skipped:
        break;
    }
    return QStringLiteral("skipped");
}

QStringList CSendLog::Fields(const CSendLogEntry& entry) {
    QStringList fields = {
        entry.time.toOffsetFromUtc(entry.time.offsetFromUtc()).toString(Qt::ISODate),
        entry.strEMail,
        entry.strName,
        entry.strTemplate,
        entry.strSubject,
        ResultText(entry.result),
        QString::number(entry.nError),
        entry.strMessage,
        entry.strMessageId};
    for (QString& strField : fields)
        strField = Neutralised(strField);
    return fields;
}

// The header (for a new file), the end of a line that a crash cut short, and
// the entry go out in one write to the end of the file.
bool CSendLog::Append(const CSendLogEntry& entry) {
    QFile file(m_strPath);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)) {
        m_strError = file.errorString();
        return false;
    }
    QByteArray bytes;
    if (file.size() == 0) {
        bytes = CCsvWriter::Line(kHeader).toUtf8();
    } else if (file.seek(file.size() - 1) && file.read(1) != "\n") {
        bytes = kLineEnd;
    }
    bytes += CCsvWriter::Line(Fields(entry)).toUtf8();
    if (file.write(bytes) != bytes.size()) {
        m_strError = file.errorString();
        return false;
    }
    return true;
}

QList<QStringList> CSendLog::ParseCsv(const QByteArray& bytes) {
    QList<QStringList> records;
    QStringList record;
    QByteArray field;
    bool bQuoted = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char ch = bytes[i];
        if (bQuoted) {
            if (ch != '"') {
                field += ch;
            } else if (i + 1 < bytes.size() && bytes[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                bQuoted = false;
            }
        } else if (ch == '"') {
            bQuoted = true;
        } else if (ch == ',') {
            record << QString::fromUtf8(field);
            field.clear();
        } else if (ch == '\n') {
            if (field.endsWith('\r'))
                field.chop(1);
            record << QString::fromUtf8(field);
            records << record;
            record.clear();
            field.clear();
        } else {
            field += ch;
        }
    }
    return records;
}

QList<CSendLogEntry> CSendLog::Read() const {
    QFile file(m_strPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<CSendLogEntry> entries;
    const QList<QStringList> records = ParseCsv(file.readAll());
    for (qsizetype i = 1; i < records.size(); ++i) {
        if (records[i].size() != kHeader.size())
            continue;
        QStringList fields = records[i];
        for (QString& strField : fields)
            strField = Restored(strField);
        CSendLogEntry entry;
        entry.time = QDateTime::fromString(fields[0], Qt::ISODate);
        entry.strEMail = fields[1];
        entry.strName = fields[2];
        entry.strTemplate = fields[3];
        entry.strSubject = fields[4];
        entry.result = fields[5] == ResultText(CSendLogEntry::Result::Sent)
                           ? CSendLogEntry::Result::Sent
                       : fields[5] == ResultText(CSendLogEntry::Result::Failed)
                           ? CSendLogEntry::Result::Failed
                           : CSendLogEntry::Result::Skipped;
        entry.nError = fields[6].toInt();
        entry.strMessage = fields[7];
        entry.strMessageId = fields[8];
        entries << entry;
    }
    return entries;
}
