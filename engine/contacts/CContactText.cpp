#include "engine/contacts/CContactText.h"

#include "engine/contacts/CContactError.h"
#include "engine/contacts/CLineEnd.h"
#include "engine/merge/CTemplateDecoder.h"

#include <QFileInfo>
#include <algorithm>
#include <memory>
#include <uchardet/uchardet.h>

namespace {

constexpr qint64 kChunkSize = 64 * 1024;
constexpr qint64 kSampleSize = 1024 * 1024;
// Text files hold no zero bytes and next to no control characters besides
// tab and line ends; a stray one is a fault of a row, not of the file.
constexpr int kMaxControlPercent = 10;
constexpr int kFewControls = 16;

const QByteArray& Utf8Name() {
    static const QByteArray name("UTF-8");
    return name;
}

const QByteArray& Windows1252Name() {
    static const QByteArray name("windows-1252");
    return name;
}

bool HasPrefix(QByteArrayView bytes, QByteArrayView prefix) {
    return bytes.size() >= prefix.size() && bytes.first(prefix.size()) == prefix;
}

// Excel's "Unicode text" without its mark: every other byte of ASCII text is zero.
QByteArray Utf16WithoutMark(QByteArrayView sample) {
    if (sample.size() < 4)
        return QByteArray();
    if (sample[0] != 0 && sample[1] == 0 && sample[2] != 0 && sample[3] == 0)
        return "UTF-16LE";
    if (sample[0] == 0 && sample[1] != 0 && sample[2] == 0 && sample[3] != 0)
        return "UTF-16BE";
    return QByteArray();
}

bool HasNonAscii(QByteArrayView bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; });
}

// Read through once, a piece at a time: one invalid sequence anywhere, or a
// character cut off by the end of the file, makes the file another encoding.
// The rule is the one template files are read by.
bool IsValidUtf8(QFile& file) {
    file.seek(0);
    QByteArray carried; // a character split between two pieces
    while (!file.atEnd()) {
        const QByteArray bytes = carried + file.read(kSampleSize);
        const qsizetype nValid = CTemplateDecoder::ValidUtf8Length(bytes, true);
        if (nValid < 0 || file.error() != QFileDevice::NoError)
            return false;
        carried = bytes.mid(nValid);
    }
    return carried.isEmpty();
}

// Whether the lines that hold more than ASCII are mostly UTF-8: some are, and
// no fewer than those that are not. A line longer than a piece is judged a
// piece at a time.
bool IsMostlyUtf8(QFile& file, const CContactText::TellsEncoding& tellsEncoding) {
    file.seek(0);
    qint64 nUtf8 = 0, nOther = 0;
    QByteArray line;
    const auto judge = [&line, &nUtf8, &nOther, &tellsEncoding](bool bCut) {
        if (!bCut && tellsEncoding && !tellsEncoding(line)) {
            line.clear();
            return;
        }
        const qsizetype nValid = CTemplateDecoder::ValidUtf8Length(line, bCut);
        if (nValid < 0) {
            ++nOther;
            line.clear();
            return;
        }
        nUtf8 += HasNonAscii(QByteArrayView(line).first(nValid)) ? 1 : 0;
        line.remove(0, nValid);
    };
    while (!file.atEnd()) {
        const QByteArray block = file.read(kSampleSize);
        if (file.error() != QFileDevice::NoError)
            return false;
        qsizetype nStart = 0;
        for (qsizetype i = 0; i < block.size(); ++i) {
            if (!CLineEnd::IsLineBreak(static_cast<unsigned char>(block[i])))
                continue;
            line += QByteArrayView(block).sliced(nStart, i - nStart);
            judge(false);
            nStart = i + 1;
        }
        line += QByteArrayView(block).sliced(nStart);
        if (line.size() > kChunkSize)
            judge(true);
    }
    judge(false);
    return nUtf8 > 0 && nUtf8 >= nOther;
}

QByteArray Guess(QByteArrayView sample) {
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(
        uchardet_new(), uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), sample.data(), size_t(sample.size())) != 0)
        return Windows1252Name();
    uchardet_data_end(detector.get());
    const QByteArray found(uchardet_get_charset(detector.get()));
    // Windows-1252 is ISO-8859-1 with letters in place of its control
    // characters; ASCII and a failed guess fall back to it too.
    if (found.isEmpty() || found.compare("ASCII", Qt::CaseInsensitive) == 0 ||
        found.compare("ISO-8859-1", Qt::CaseInsensitive) == 0 ||
        found.compare(Utf8Name(), Qt::CaseInsensitive) == 0)
        return Windows1252Name();
    return found;
}

} // namespace

CContactText::CContactText(const QString& strPath, const TellsEncoding& tellsEncoding)
    : m_file(strPath) {
    if (QFileInfo(strPath).isDir() || !m_file.open(QIODevice::ReadOnly))
        throw CContactError::CannotRead(strPath, QFileInfo(strPath).isDir()
                                                     ? QStringLiteral("it is a folder")
                                                     : m_file.errorString());
    if (m_file.size() == 0)
        throw CContactError(QStringLiteral("The file \"%1\" is empty.").arg(strPath));
    DetectEncoding(tellsEncoding);
    if (m_encoding.isEmpty())
        throw CContactError(
            QStringLiteral("The file \"%1\" holds binary data, not addresses as text.").arg(strPath));
    m_decoder = QStringDecoder(m_encoding.constData());
    if (!m_decoder.isValid()) {
        m_encoding = Windows1252Name();
        m_decoder = QStringDecoder(m_encoding.constData());
    }
    m_bUtf8 = m_encoding == Utf8Name() || m_encoding.startsWith("UTF-16");
    m_file.seek(m_nBomSize);
}

QString CContactText::Read() {
    return m_bLineByLine ? ReadLines() : QString(m_decoder(ReadChunk()));
}

QByteArray CContactText::ReadBytes() {
    const QByteArray bytes = ReadChunk();
    return m_encoding.startsWith("UTF-16") ? QString(m_decoder(bytes)).toUtf8() : bytes;
}

QString CContactText::Decode(QByteArrayView bytes, bool* pFallback) const {
    *pFallback = false;
    if (!m_bUtf8)
        return QStringDecoder(m_encoding.constData())(bytes);
    if (CTemplateDecoder::ValidUtf8Length(bytes, false) >= 0)
        return QString::fromUtf8(bytes);
    *pFallback = true;
    return CTemplateDecoder::FromWindows1252(bytes);
}

void CContactText::NoteFallback(qint64 nLine) {
    if (!m_fallbackLines.isEmpty() && m_fallbackLines.back() == nLine)
        return;
    ++m_nFallbackLines;
    if (m_fallbackLines.size() < kMaxNamed)
        m_fallbackLines.append(nLine);
}

QByteArray CContactText::ReadChunk() {
    const QByteArray bytes = m_file.read(kChunkSize);
    if (bytes.isEmpty() && m_file.error() != QFileDevice::NoError)
        throw CContactError::CannotRead(m_file.fileName(), m_file.errorString());
    return bytes;
}

// A file that is UTF-8 but for some lines, decoded a line at a time; a line
// longer than a piece goes in pieces, a character cut at a piece's end
// waiting for the rest.
QString CContactText::ReadLines() {
    QString strText;
    while (strText.isEmpty()) {
        const QByteArray chunk = ReadChunk();
        const bool bEnd = chunk.isEmpty();
        m_pending += chunk;
        qsizetype nStart = 0;
        for (qsizetype i = 0; i < m_pending.size(); ++i) {
            const qsizetype nLength = CLineEnd::LengthAt(QByteArrayView(m_pending), i, bEnd);
            if (nLength == CLineEnd::kNeedMore)
                break;
            if (nLength == 0)
                continue;
            i += nLength - 1;
            strText += DecodeLine(QByteArrayView(m_pending).sliced(nStart, i + 1 - nStart), true);
            nStart = i + 1;
        }
        m_pending.remove(0, nStart);
        if (bEnd) {
            strText += DecodeLine(m_pending, true);
            m_pending.clear();
            return strText;
        }
        if (m_pending.size() > kChunkSize) {
            const qsizetype nValid = CTemplateDecoder::ValidUtf8Length(m_pending, true);
            const qsizetype nTaken = nValid < 0 ? m_pending.size() : nValid;
            strText += DecodeLine(QByteArrayView(m_pending).first(nTaken), false);
            m_pending.remove(0, nTaken);
        }
    }
    return strText;
}

// A line with its line end, or (bWhole false) a piece of a long one.
QString CContactText::DecodeLine(QByteArrayView line, bool bWhole) {
    bool bFallback = false;
    const QString strLine = Decode(line, &bFallback);
    if (bFallback)
        NoteFallback(m_nLine);
    m_nLine += bWhole ? 1 : 0;
    return strLine;
}

void CContactText::DetectEncoding(const TellsEncoding& tellsEncoding) {
    m_file.seek(0);
    const QByteArray sample = m_file.read(kSampleSize);
    if (HasPrefix(sample, "\xEF\xBB\xBF")) {
        m_nBomSize = 3;
        m_encoding = Utf8Name();
    } else if (HasPrefix(sample, "\xFF\xFE")) {
        m_nBomSize = 2;
        m_encoding = "UTF-16LE";
    } else if (HasPrefix(sample, "\xFE\xFF")) {
        m_nBomSize = 2;
        m_encoding = "UTF-16BE";
    } else if (const QByteArray utf16 = Utf16WithoutMark(sample); !utf16.isEmpty()) {
        m_encoding = utf16;
    } else if (LooksBinary(sample)) {
        m_encoding.clear();
    } else if (IsValidUtf8(m_file)) {
        m_encoding = Utf8Name();
    } else if (IsMostlyUtf8(m_file, tellsEncoding)) {
        m_encoding = Utf8Name();
        m_bLineByLine = true;
    } else {
        m_encoding = Guess(sample);
    }
}

bool CContactText::LooksBinary(QByteArrayView sample) {
    qsizetype nControl = 0;
    for (const char c : sample) {
        if (c == 0)
            return true;
        const auto b = static_cast<unsigned char>(c);
        if ((b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f') || b == 0x7F)
            ++nControl;
    }
    return nControl > kFewControls && nControl * 100 > sample.size() * kMaxControlPercent;
}
