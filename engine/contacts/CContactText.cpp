#include "engine/contacts/CContactText.h"

#include "engine/contacts/CContactError.h"
#include "engine/merge/CTemplateDecoder.h"

#include <QFileInfo>
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

} // namespace

CContactText::CContactText(const QString& strPath) : m_file(strPath) {
    if (QFileInfo(strPath).isDir() || !m_file.open(QIODevice::ReadOnly))
        throw CContactError::CannotRead(strPath, QFileInfo(strPath).isDir()
                                                     ? QStringLiteral("it is a folder")
                                                     : m_file.errorString());
    if (m_file.size() == 0)
        throw CContactError(QStringLiteral("The file \"%1\" is empty.").arg(strPath));
    qsizetype nBomSize = 0;
    m_encoding = DetectEncoding(m_file, &nBomSize);
    if (m_encoding.isEmpty())
        throw CContactError(
            QStringLiteral("The file \"%1\" holds binary data, not addresses as text.").arg(strPath));
    m_decoder = QStringDecoder(m_encoding.constData());
    if (!m_decoder.isValid()) {
        m_encoding = Windows1252Name();
        m_decoder = QStringDecoder(m_encoding.constData());
    }
    m_file.seek(nBomSize);
}

QString CContactText::Read() {
    const QByteArray bytes = m_file.read(kChunkSize);
    if (bytes.isEmpty() && m_file.error() != QFileDevice::NoError)
        throw CContactError::CannotRead(m_file.fileName(), m_file.errorString());
    return m_decoder(bytes);
}

QByteArray CContactText::DetectEncoding(QFile& file, qsizetype* pBomSize) {
    file.seek(0);
    const QByteArray sample = file.read(kSampleSize);
    *pBomSize = 0;
    if (HasPrefix(sample, "\xEF\xBB\xBF")) {
        *pBomSize = 3;
        return Utf8Name();
    }
    if (HasPrefix(sample, "\xFF\xFE")) {
        *pBomSize = 2;
        return "UTF-16LE";
    }
    if (HasPrefix(sample, "\xFE\xFF")) {
        *pBomSize = 2;
        return "UTF-16BE";
    }
    if (const QByteArray utf16 = Utf16WithoutMark(sample); !utf16.isEmpty())
        return utf16;
    if (LooksBinary(sample))
        return QByteArray();
    if (IsValidUtf8(file))
        return Utf8Name();
    return Guess(sample);
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

// Read through once, a piece at a time: one invalid sequence anywhere, or a
// character cut off by the end of the file, makes the file another encoding.
// The rule is the one template files are read by.
bool CContactText::IsValidUtf8(QFile& file) {
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

QByteArray CContactText::Guess(QByteArrayView sample) {
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
