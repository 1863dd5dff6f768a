#include "engine/send/CSendLog.h"

#include "engine/contacts/CContactRow.h"
#include "engine/contacts/CCsvReader.h"
#include "engine/contacts/CCsvWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>

namespace {

const QStringList kHeader = {
    QStringLiteral("Time"),     QStringLiteral("EMail"),   QStringLiteral("Name"),
    QStringLiteral("Template"), QStringLiteral("Subject"), QStringLiteral("Result"),
    QStringLiteral("Error"),    QStringLiteral("Message"), QStringLiteral("Message-ID")};

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
constexpr qint64 kChunkSize = 64 * 1024;
// The end of a log is searched backwards for its last record's start, from
// this much on, doubled up to a length past the longest record kept.
constexpr qint64 kFirstTail = 4 * 1024;
constexpr qint64 kMaxTail = 4 * CCsvReader::kMaxCharacters;

// Every entry's line starts with its time, and the file with its header.
bool StartsEntry(QStringView line) {
    const qsizetype nComma = line.indexOf(u',');
    if (nComma < 0)
        return false;
    const QStringView first = line.first(nComma);
    return first == kHeader.front() ||
           (first.contains(u'T') && QDateTime::fromString(first.toString(), Qt::ISODate).isValid());
}

// The records of a log that are whole; a damaged one is passed over.
QList<QStringList> Records(QIODevice& device) {
    QStringDecoder decoder(QStringConverter::Utf8);
    CCsvReader reader([&device, &decoder] { return QString(decoder(device.read(kChunkSize))); });
    reader.SetRecordStart(StartsEntry);
    QList<QStringList> records;
    CContactRow row;
    while (reader.ReadRecord(&row))
        if (row.strProblem.isEmpty())
            records.append(row.fields);
    return records;
}

// Where the last record of a log's end starts: at the last line that starts
// an entry; -1 when none does.
qsizetype LastRecordStart(QByteArrayView tail, bool bWholeFile) {
    for (qsizetype nPos = tail.size() - 1; nPos >= 0; --nPos) {
        const bool bLineStart =
            nPos == 0 ? bWholeFile : tail[nPos - 1] == '\n' || tail[nPos - 1] == '\r';
        if (bLineStart && StartsEntry(QString::fromUtf8(
                              tail.sliced(nPos, std::min(tail.size() - nPos, CCsvReader::kStartLength)))))
            return nPos;
    }
    return -1;
}

// What ends a record that was cut short: the closing quote of a field left
// open (an odd number of quotes, since the log doubles every quote in a
// field), then the line end.
QByteArray EndOf(QByteArrayView record) {
    if (record.count('"') % 2 != 0)
        return '"' + kLineEnd;
    if (record.isEmpty() || record.endsWith('\n') || record.endsWith('\r'))
        return QByteArray();
    return kLineEnd;
}

QByteArray EndOfLastRecord(QFile& file) {
    const qint64 nSize = file.size();
    for (qint64 nTail = std::min(kFirstTail, nSize);; nTail = std::min(2 * nTail, nSize)) {
        if (!file.seek(nSize - nTail))
            return kLineEnd;
        const QByteArray tail = file.read(nTail);
        const qsizetype nStart = LastRecordStart(tail, nTail == nSize);
        if (nStart >= 0 || nTail == nSize || nTail >= kMaxTail)
            return EndOf(QByteArrayView(tail).sliced(std::max<qsizetype>(nStart, 0)));
    }
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
    return {entry.time.toOffsetFromUtc(entry.time.offsetFromUtc()).toString(Qt::ISODate),
            entry.strEMail,
            entry.strName,
            entry.strTemplate,
            entry.strSubject,
            ResultText(entry.result),
            QString::number(entry.nError),
            entry.strMessage,
            entry.strMessageId};
}

// The header (for a new file), the end of a record that a crash cut short,
// and the entry go out in one write to the end of the file.
bool CSendLog::Append(const CSendLogEntry& entry) {
    QFile file(m_strPath);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)) {
        m_strError = file.errorString();
        return false;
    }
    QByteArray bytes = file.size() == 0 ? CCsvWriter::Line(kHeader).toUtf8() : EndOfLastRecord(file);
    bytes += CCsvWriter::Line(Fields(entry)).toUtf8();
    if (file.write(bytes) != bytes.size()) {
        m_strError = file.errorString();
        return false;
    }
    return true;
}

QList<QStringList> CSendLog::ParseCsv(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return Records(buffer);
}

QList<CSendLogEntry> CSendLog::Read() const {
    QFile file(m_strPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<CSendLogEntry> entries;
    for (QStringList fields : Records(file)) {
        if (fields.size() != kHeader.size() || fields == kHeader)
            continue;
        for (QString& strField : fields)
            strField = CCsvWriter::Unguarded(strField);
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
