#include "engine/merge/CTemplateDecoder.h"

#include <array>

namespace {

// A sequence that the bytes end in the middle of.
constexpr qsizetype kIncomplete = -1;

// Windows-1252 code points for the bytes 0x80 to 0x9F. The five bytes that the
// code page leaves undefined map to the C1 control of the same number, as
// browsers do, so no byte is lost.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool InRange(unsigned char byte, unsigned char lowest, unsigned char highest) {
    return byte >= lowest && byte <= highest;
}

// The length of the UTF-8 sequence that starts at nStart, 0 when the bytes
// there are no valid sequence (overlong forms and surrogates included), or
// kIncomplete when the bytes end before a sequence that is valid so far.
qsizetype SequenceLength(QByteArrayView bytes, qsizetype nStart) {
    const auto lead = static_cast<unsigned char>(bytes[nStart]);
    if (lead < 0x80)
        return 1;
    qsizetype nLength = 0;
    unsigned char secondLowest = 0x80;
    unsigned char secondHighest = 0xBF;
    if (InRange(lead, 0xC2, 0xDF)) {
        nLength = 2;
    } else if (InRange(lead, 0xE0, 0xEF)) {
        nLength = 3;
        if (lead == 0xE0)
            secondLowest = 0xA0;
        if (lead == 0xED)
            secondHighest = 0x9F;
    } else if (InRange(lead, 0xF0, 0xF4)) {
        nLength = 4;
        if (lead == 0xF0)
            secondLowest = 0x90;
        if (lead == 0xF4)
            secondHighest = 0x8F;
    } else {
        return 0;
    }
    for (qsizetype i = 1; i < nLength; ++i) {
        if (nStart + i >= bytes.size())
            return kIncomplete;
        const auto byte = static_cast<unsigned char>(bytes[nStart + i]);
        const bool bSecond = i == 1;
        if (!InRange(byte, bSecond ? secondLowest : 0x80, bSecond ? secondHighest : 0xBF))
            return 0;
    }
    return nLength;
}

} // namespace

qsizetype CTemplateDecoder::ValidUtf8Length(QByteArrayView bytes, bool bCutAtLimit) {
    qsizetype nPos = 0;
    while (nPos < bytes.size()) {
        // Templates are mostly ASCII, which needs no further look.
        if (static_cast<unsigned char>(bytes[nPos]) < 0x80) {
            ++nPos;
            continue;
        }
        const qsizetype nLength = SequenceLength(bytes, nPos);
        if (nLength == kIncomplete && bCutAtLimit)
            return nPos;
        if (nLength <= 0)
            return -1;
        nPos += nLength;
    }
    return nPos;
}

QString CTemplateDecoder::FromWindows1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = InRange(byte, 0x80, 0x9F) ? QChar(kHighControls[byte - 0x80]) : QChar(byte);
    }
    return text;
}

QString CTemplateDecoder::Decode(QByteArrayView bytes, bool bCutAtLimit) {
    const qsizetype nValid = ValidUtf8Length(bytes, bCutAtLimit);
    if (nValid < 0)
        return FromWindows1252(bytes);
    QString text = QString::fromUtf8(bytes.first(nValid));
    // Editors on Windows start UTF-8 files with a byte-order mark; it is no
    // part of the text.
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}
