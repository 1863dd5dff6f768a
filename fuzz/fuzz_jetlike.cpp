// Jet LIKE patterns: the input is a pattern, a line feed and a text. The
// matcher's shortcut for "*text*" patterns must agree with the general
// matcher, and a text matches itself written as a pattern of escaped
// characters, with or without a * on each side.

#include "platform/dao/CJetLike.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr char32_t kEscape = U'\\';

void Require(bool bHolds, const char* pWhat) {
    if (!bHolds) {
        fprintf(stderr, "broken invariant: %s\n", pWhat);
        abort();
    }
}

// Every character of strText, each standing for itself.
QString Escaped(const QString& strText) {
    QString strPattern;
    for (const char32_t ch : strText.toUcs4()) {
        strPattern += QChar(kEscape);
        strPattern += QString::fromUcs4(&ch, 1);
    }
    return strPattern;
}

bool IsValidUtf8(const QByteArray& bytes) {
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const QByteArray input(reinterpret_cast<const char*>(pData), qsizetype(nSize));
    const qsizetype nLineFeed = input.indexOf('\n');
    const QByteArray patternBytes = nLineFeed < 0 ? input : input.left(nLineFeed);
    const QByteArray text = nLineFeed < 0 ? QByteArray() : input.mid(nLineFeed + 1);

    for (const char32_t chEscape : {char32_t(0), kEscape}) {
        const CJetLike like(QString::fromUtf8(patternBytes), chEscape);
        if (like.IsValid())
            Require(like.Match(text.constData(), text.size()) ==
                        like.MatchEachElement(text.constData(), text.size()),
                    "the *text* shortcut and the general matcher disagree");
    }

    if (!IsValidUtf8(text))
        return 0;
    const QString strText = QString::fromUtf8(text);
    const CJetLike literal(Escaped(strText), kEscape);
    Require(literal.IsValid(), "an escaped text is not a valid pattern");
    Require(literal.Match(text.constData(), text.size()), "a text does not match itself");
    const QString strContained = QStringLiteral("*") + Escaped(strText) + QStringLiteral("*");
    const CJetLike contained(strContained, kEscape);
    const QByteArray framed = "<" + text + ">";
    Require(contained.Match(framed.constData(), framed.size()),
            "a text is not found inside a longer one");
    return 0;
}
