#include "platform/dao/CJetLike.h"

#include <QChar>

namespace {

char32_t Fold(char32_t ch) {
    if (ch < 0x80)
        return ch >= U'A' && ch <= U'Z' ? ch + (U'a' - U'A') : ch;
    return QChar::toCaseFolded(ch);
}

// Decodes one character of UTF-8 at nPos and moves past it; a malformed
// byte reads as U+FFFD.
char32_t Decode(const unsigned char* p, qsizetype nBytes, qsizetype& nPos) {
    const unsigned char lead = p[nPos++];
    if (lead < 0x80)
        return lead;
    int nFollow = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (nFollow < 0 || lead > 0xF4)
        return 0xFFFD;
    char32_t ch = lead & (0x3F >> nFollow);
    for (; nFollow > 0; --nFollow) {
        if (nPos >= nBytes || (p[nPos] & 0xC0) != 0x80)
            return 0xFFFD;
        ch = (ch << 6) | (p[nPos++] & 0x3F);
    }
    return ch;
}

bool IsAscii(const unsigned char* p, qsizetype nBytes) {
    unsigned char bits = 0;
    for (qsizetype nPos = 0; nPos < nBytes; ++nPos)
        bits |= p[nPos];
    return bits < 0x80;
}

unsigned char FoldAscii(unsigned char ch) {
    return ch >= 'A' && ch <= 'Z' ? ch + ('a' - 'A') : ch;
}

} // namespace

CJetLike::CJetLike(QStringView patternText, char32_t chEscape) : m_chEscape(chEscape) {
    const QList<uint> pattern = patternText.toUcs4();
    for (qsizetype nPos = 0; nPos < pattern.size() && m_bValid; ++nPos) {
        const char32_t ch = pattern[nPos];
        if (chEscape != 0 && ch == chEscape && nPos + 1 < pattern.size())
            m_elements.append(Element(Element::Char, Fold(pattern[++nPos])));
        else if (ch == U'*' && (m_elements.isEmpty() || m_elements.last().kind != Element::AnyRun))
            m_elements.append(Element(Element::AnyRun));
        else if (ch == U'*')
            continue;
        else if (ch == U'?')
            m_elements.append(Element(Element::One));
        else if (ch == U'#')
            m_elements.append(Element(Element::Digit));
        else if (ch == U'[')
            nPos = ReadSet(pattern, nPos + 1);
        else
            m_elements.append(Element(Element::Char, Fold(ch)));
    }
    FindAsciiLiteral();
}

// Find asks "*text*" of ten fields in every row, and the general matcher
// decodes and folds each character; for ASCII texts a byte search does.
void CJetLike::FindAsciiLiteral() {
    if (!m_bValid || m_elements.isEmpty() || m_elements.first().kind != Element::AnyRun ||
        m_elements.last().kind != Element::AnyRun)
        return;
    QByteArray literal;
    for (qsizetype nElement = 1; nElement < m_elements.size() - 1; ++nElement) {
        const Element& element = m_elements[nElement];
        if (element.kind != Element::Char || element.ch >= 0x80)
            return;
        literal.append(char(element.ch));
    }
    m_asciiLiteral = literal;
    m_bAsciiLiteral = true;
}

// Only for ASCII texts: their letters fold to ASCII only, as the literal's do.
bool CJetLike::ContainsAsciiLiteral(const unsigned char* p, qsizetype nBytes) const {
    const auto* pLiteral = reinterpret_cast<const unsigned char*>(m_asciiLiteral.constData());
    const qsizetype nLiteral = m_asciiLiteral.size();
    for (qsizetype nStart = 0; nStart + nLiteral <= nBytes; ++nStart) {
        qsizetype nPos = 0;
        while (nPos < nLiteral && FoldAscii(p[nStart + nPos]) == pLiteral[nPos])
            ++nPos;
        if (nPos == nLiteral)
            return true;
    }
    return false;
}

// Reads a list from just after its '[' and returns the position of its ']'.
// "[]" stands for the empty text and adds nothing.
qsizetype CJetLike::ReadSet(const QList<uint>& pattern, qsizetype nPos) {
    const qsizetype nClose = pattern.indexOf(U']', nPos);
    if (nClose < 0) {
        m_bValid = false;
        return pattern.size();
    }
    if (nClose == nPos)
        return nClose;
    Element set(Element::Set);
    if (pattern[nPos] == U'!') {
        set.bNegated = true;
        ++nPos;
    }
    while (nPos < nClose) {
        const char32_t chLow = pattern[nPos];
        // A '-' between two characters makes a range; first or last it is itself.
        if (nPos + 2 < nClose && pattern[nPos + 1] == U'-') {
            const char32_t chHigh = pattern[nPos + 2];
            m_bValid = m_bValid && chLow <= chHigh;
            set.ranges.append({chLow, chHigh});
            nPos += 3;
        } else {
            set.ranges.append({chLow, chLow});
            ++nPos;
        }
    }
    m_elements.append(set);
    return nClose;
}

bool CJetLike::Matches(const Element& element, char32_t ch) {
    switch (element.kind) {
    case Element::One:
        return true;
    case Element::Digit:
        return ch >= U'0' && ch <= U'9';
    case Element::Char:
        return Fold(ch) == element.ch;
    case Element::Set: {
        const char32_t forms[] = {ch, Fold(ch), QChar::toUpper(ch), QChar::toLower(ch)};
        bool bInSet = false;
        for (const auto& [chLow, chHigh] : element.ranges) {
            for (const char32_t form : forms)
                bInSet = bInSet || (form >= chLow && form <= chHigh);
        }
        return bInSet != element.bNegated;
    }
    case Element::AnyRun:
        break;
    }
    return false;
}

bool CJetLike::Match(const char* pUtf8, qsizetype nBytes) const {
    const auto* p = reinterpret_cast<const unsigned char*>(pUtf8);
    if (m_bAsciiLiteral && IsAscii(p, nBytes))
        return ContainsAsciiLiteral(p, nBytes);
    return MatchEachElement(pUtf8, nBytes);
}

// Every element but * takes exactly one character, so on a mismatch it is
// enough to let the latest * take one character more and try again.
bool CJetLike::MatchEachElement(const char* pUtf8, qsizetype nBytes) const {
    const auto* p = reinterpret_cast<const unsigned char*>(pUtf8);
    const qsizetype nElements = m_elements.size();
    qsizetype nElement = 0;
    qsizetype nPos = 0;
    qsizetype nStarElement = -1;
    qsizetype nStarPos = 0;
    for (;;) {
        if (nElement < nElements && m_elements[nElement].kind == Element::AnyRun) {
            nStarElement = ++nElement;
            nStarPos = nPos;
            continue;
        }
        if (nPos == nBytes)
            break;
        if (nElement < nElements) {
            qsizetype nNext = nPos;
            if (Matches(m_elements[nElement], Decode(p, nBytes, nNext))) {
                ++nElement;
                nPos = nNext;
                continue;
            }
        }
        if (nStarElement < 0)
            return false;
        Decode(p, nBytes, nStarPos);
        nPos = nStarPos;
        nElement = nStarElement;
    }
    while (nElement < nElements && m_elements[nElement].kind == Element::AnyRun)
        ++nElement;
    return nElement == nElements;
}

QString CJetLike::ToRegex() const {
    QString strRegex = QStringLiteral("^");
    for (const Element& element : m_elements) {
        switch (element.kind) {
        case Element::AnyRun:
            strRegex += QStringLiteral(".*");
            break;
        case Element::One:
            strRegex += u'.';
            break;
        case Element::Digit:
            strRegex += QStringLiteral("[0-9]");
            break;
        case Element::Char:
            strRegex += RegexCharacter(element.ch);
            break;
        case Element::Set:
            strRegex += RegexSet(element);
            break;
        }
    }
    return strRegex + u'$';
}

// Letters, digits and all non-ASCII characters are never special; a
// backslash before ASCII punctuation makes it stand for itself, inside a
// bracket expression too.
QString CJetLike::RegexCharacter(char32_t ch) {
    const bool bPunctuation = ch < 0x80 && !(ch >= U'0' && ch <= U'9') &&
                              !(ch >= U'a' && ch <= U'z') && !(ch >= U'A' && ch <= U'Z');
    const QString strCharacter = QString::fromUcs4(&ch, 1);
    return bPunctuation ? u'\\' + strCharacter : strCharacter;
}

QString CJetLike::RegexSet(const Element& set) {
    QString strSet = set.bNegated ? QStringLiteral("[^") : QStringLiteral("[");
    for (const auto& [chLow, chHigh] : set.ranges) {
        strSet += RegexCharacter(chLow);
        if (chHigh != chLow)
            strSet += u'-' + RegexCharacter(chHigh);
    }
    return strSet + u']';
}
