#pragma once

#include <QtGlobal>

// The line ends of text files from any system: LF (Linux, macOS), CR LF
// (Windows), a lone CR (old Mac files) and CR CR LF (a CR LF file saved again
// by a tool that turned its LF into CR LF). Each of them ends one line.
class CLineEnd {
public:
    static constexpr qsizetype kNeedMore = -1;
    // The most characters one line end takes.
    static constexpr qsizetype kMaxLength = 3;

    static bool IsLineBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

    // The length of the line end at nPos of text, 0 when the character there
    // ends no line. kNeedMore when text stops before that can be told and
    // more of it follows (bFinal false). Text is a QStringView or a
    // QByteArrayView.
    template <typename Text>
    static qsizetype LengthAt(const Text& text, qsizetype nPos, bool bFinal) {
        if (text[nPos] == u'\n')
            return 1;
        if (text[nPos] != u'\r')
            return 0;
        for (qsizetype nLength = 1; nLength < kMaxLength; ++nLength) {
            if (nPos + nLength >= text.size())
                return bFinal ? 1 : kNeedMore;
            if (text[nPos + nLength] == u'\n')
                return nLength + 1;
            if (text[nPos + nLength] != u'\r')
                return 1;
        }
        return 1; // CR CR and then neither: the first CR ends a line of its own
    }
};
