#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <functional>

// The text of a contacts file, decoded piece by piece as it is read, so that
// a large file is never held whole. The encoding comes from a byte-order mark
// (UTF-8, UTF-16 as Excel writes it), else the file is UTF-8 when all of it is
// valid UTF-8, else what uchardet finds, with Windows-1252 as the fallback.
//
// A file that is UTF-8 but for some lines (one line pasted from a Windows
// program into a UTF-8 file) keeps every UTF-8 line exactly as written; only
// the other lines are read as Windows-1252, and they are named.
class CContactText {
public:
    // Whether a line of the file (its bytes, without the line end) says
    // something of the file's encoding; a line that names its own (a vCard
    // property with a CHARSET) does not.
    using TellsEncoding = std::function<bool(QByteArrayView line)>;

    // Opens the file and finds its encoding. Throws CContactError when the
    // file cannot be read, is empty or holds binary data.
    explicit CContactText(const QString& strPath, const TellsEncoding& tellsEncoding = {});

    // The next piece of text; empty at the end of the file. Throws
    // CContactError when reading fails.
    QString Read();
    // The next piece of the file's bytes, for a reader that decodes its
    // values itself (Decode): as they are in the file, or as UTF-8 for a
    // UTF-16 file. Empty at the end of the file. Throws CContactError.
    QByteArray ReadBytes();
    // Bytes from ReadBytes as text, in the file's encoding. In a UTF-8 file,
    // bytes that are not UTF-8 are read as Windows-1252, and *pFallback is
    // set.
    QString Decode(QByteArrayView bytes, bool* pFallback) const;

    // The encoding's name, for messages and tests.
    QByteArray Encoding() const { return m_encoding; }
    qint64 Size() const { return m_file.size(); }
    qint64 BytesRead() const { return m_file.pos(); }

    // The lines of a UTF-8 file read as Windows-1252: the first kMaxNamed of
    // them, and how many in all. Readers that decode their values themselves
    // note theirs.
    static constexpr qsizetype kMaxNamed = 100;
    void NoteFallback(qint64 nLine);
    const QList<qint64>& FallbackLines() const { return m_fallbackLines; }
    qint64 FallbackLineCount() const { return m_nFallbackLines; }

    // True when the sample looks like binary data rather than text.
    static bool LooksBinary(QByteArrayView sample);

private:
    void DetectEncoding(const TellsEncoding& tellsEncoding);
    QString ReadLines();
    QString DecodeLine(QByteArrayView line, bool bWhole);
    QByteArray ReadChunk();

    QFile m_file;
    QByteArray m_encoding;
    QStringDecoder m_decoder;
    qsizetype m_nBomSize = 0;
    bool m_bUtf8 = false;      // UTF-8, or UTF-16 handed out as UTF-8
    bool m_bLineByLine = false; // UTF-8 but for some lines
    QByteArray m_pending;      // the start of a line not yet decoded
    bool m_bPendingFallback = false;
    qint64 m_nLine = 1;
    QList<qint64> m_fallbackLines;
    qint64 m_nFallbackLines = 0;
};
