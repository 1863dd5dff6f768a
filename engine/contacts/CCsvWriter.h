#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QSaveFile>
#include <QString>
#include <QStringEncoder>
#include <QStringList>

// Writes a CSV file as spreadsheets read it: UTF-8 with a byte-order mark,
// records ending in CR LF, a field quoted when it holds a comma, a quote, a
// line break or blanks at its ends. The file appears whole when Commit
// succeeds, or not at all. Write and Commit throw CContactError.
class CCsvWriter {
public:
    explicit CCsvWriter(const QString& strPath);

    void Write(const QStringList& fields);
    // Fields given as UTF-8, as the store holds them.
    void Write(const QList<QByteArrayView>& fields);
    void Commit();

    // One record with its CR LF.
    static QString Line(const QStringList& fields);

private:
    void Append(QStringView text);
    void Flush();
    [[noreturn]] void ThrowWriteError() const;

    QSaveFile m_file;
    QByteArray m_buffer;
    QStringEncoder m_encoder{QStringEncoder::Utf8};
};
