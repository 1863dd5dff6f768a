#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QList>
#include <QSaveFile>
#include <QString>
#include <QStringEncoder>
#include <QStringList>

// Writes a CSV file as spreadsheets read it: UTF-8 with a byte-order mark,
// records ending in CR LF, a field quoted when it holds a comma, a quote, a
// line break or blanks at its ends. The file appears whole when Commit
// succeeds, or not at all. Write, WriteLines and Commit throw CContactError.
//
// Every file written as CSV goes through it (exports, refused rows, the send
// log), and none starts a spreadsheet formula: a field that starts with =, +,
// -, @, a tab or a carriage return and is not a plain number gets an
// apostrophe in front, and so does a field that starts with an apostrophe, so
// that a reader of the program's own files takes one off every field that
// starts with one (Unguarded) and has every field back as it was.
class CCsvWriter {
public:
    explicit CCsvWriter(const QString& strPath);

    void Write(const QStringList& fields);
    // Fields given as UTF-8, as the store holds them.
    void Write(const QList<QByteArrayView>& fields);
    // Copies the rest of source, lines made by Line, as they are.
    void WriteLines(QFile& source);
    void Commit();

    // One record with its CR LF.
    static QString Line(const QStringList& fields);

    static QString Guarded(const QString& strField);
    static QString Unguarded(const QString& strField);

private:
    void AppendField(QByteArrayView field);
    void Append(QStringView text);
    void Flush();
    [[noreturn]] void ThrowWriteError() const;

    QSaveFile m_file;
    QByteArray m_buffer;
    QStringEncoder m_encoder{QStringEncoder::Utf8};
};
