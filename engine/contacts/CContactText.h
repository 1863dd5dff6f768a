#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringDecoder>

// The text of a contacts file, decoded piece by piece as it is read, so that
// a large file is never held whole. The encoding comes from a byte-order mark
// (UTF-8, UTF-16 as Excel writes it), else the file is UTF-8 when all of it is
// valid UTF-8, else what uchardet finds, with Windows-1252 as the fallback.
class CContactText {
public:
    // Opens the file and finds its encoding. Throws CContactError when the
    // file cannot be read, is empty or holds binary data.
    explicit CContactText(const QString& strPath);

    // The next piece of text; empty at the end of the file. Throws
    // CContactError when reading fails.
    QString Read();

    // The encoding's name, for messages and tests.
    QByteArray Encoding() const { return m_encoding; }
    qint64 Size() const { return m_file.size(); }
    qint64 BytesRead() const { return m_file.pos(); }

    // The encoding of a file's content: from its byte-order mark, UTF-16
    // without one, all valid UTF-8, uchardet's finding, else Windows-1252.
    // *pBomSize receives the length of the byte-order mark.
    static QByteArray DetectEncoding(QFile& file, qsizetype* pBomSize);
    // True when the sample looks like binary data rather than text.
    static bool LooksBinary(QByteArrayView sample);

private:
    static bool IsValidUtf8(QFile& file);
    static QByteArray Guess(QByteArrayView sample);

    QFile m_file;
    QByteArray m_encoding;
    QStringDecoder m_decoder;
};
