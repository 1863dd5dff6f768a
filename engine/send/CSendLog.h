#pragma once

#include "engine/send/CSendLogEntry.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Corvane-send-log.csv: every attempt of every Send Mail run, one line each,
// RFC 4180 (CR LF, fields quoted where needed), UTF-8, a header row when the
// file is new. Lines are only ever appended; each one reaches the operating
// system before Append returns, so a killed program leaves every finished
// attempt behind. The file opens in spreadsheets, so no field starts a
// formula (CCsvWriter's guard, which Read takes off again).
//
// A log survives damage at its end (a disk that filled up, a power loss): a
// last line cut short, even inside a quoted field, is ended before the next
// entry, and Read passes over a damaged line alone, taking up again at the
// next line that starts an entry with its time.
class CSendLog {
public:
    static constexpr QLatin1String kFileName{"Corvane-send-log.csv"};

    explicit CSendLog(QString strPath);
    // The log in the folder of the address file strDatabaseFile.
    static QString PathBeside(const QString& strDatabaseFile);

    const QString& Path() const { return m_strPath; }
    // False, with the reason in ErrorText(), when the line could not be written.
    bool Append(const CSendLogEntry& entry);
    QString ErrorText() const { return m_strError; }
    // The file's entries in order; none when it is missing. Lines that are
    // not a whole entry (a line cut short) are passed over.
    QList<CSendLogEntry> Read() const;

    static QString ResultText(CSendLogEntry::Result result);
    // The records of the UTF-8 text of a log, as written (guarded), read as
    // Read reads them; a damaged record is left out.
    static QList<QStringList> ParseCsv(const QByteArray& bytes);

private:
    static QStringList Fields(const CSendLogEntry& entry);

    QString m_strPath;
    QString m_strError;
};
