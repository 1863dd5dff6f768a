#pragma once

#include <QByteArray>
#include <QList>
#include <QStringView>
#include <utility>

// A LIKE pattern with Jet's wildcards: * any run of characters, ? one
// character, # one digit, [abc] one of a list, [a-z] one of a range, [!abc]
// one character not in the list. Letters match whatever their case.
class CJetLike {
public:
    // chEscape, when not 0, makes the character after it stand for itself.
    explicit CJetLike(QStringView pattern, char32_t chEscape = 0);

    // False when a '[' has no ']' or a range runs backwards.
    bool IsValid() const { return m_bValid; }
    char32_t Escape() const { return m_chEscape; }

    bool Match(const char* pUtf8, qsizetype nBytes) const;
    // The pattern as an advanced regular expression (PostgreSQL's form),
    // anchored at both ends, for a case-insensitive match (~*): every
    // character that is not a wildcard stands for itself, ASCII punctuation
    // escaped with a backslash. Only for a valid pattern.
    QString ToRegex() const;
    // Match without its shortcut for "*text*" patterns; the two agree on
    // every text.
    bool MatchEachElement(const char* pUtf8, qsizetype nBytes) const;

private:
    struct Element {
        enum Kind { AnyRun, One, Digit, Char, Set };
        explicit Element(Kind k, char32_t c = 0) : kind(k), ch(c) {}
        Kind kind;
        char32_t ch;
        bool bNegated = false;
        QList<std::pair<char32_t, char32_t>> ranges;
    };

    qsizetype ReadSet(const QList<uint>& pattern, qsizetype nPos);
    void FindAsciiLiteral();
    bool ContainsAsciiLiteral(const unsigned char* p, qsizetype nBytes) const;
    static bool Matches(const Element& element, char32_t ch);
    static QString RegexCharacter(char32_t ch);
    static QString RegexSet(const Element& set);

    QList<Element> m_elements;
    char32_t m_chEscape;
    bool m_bValid = true;
    // For a "*text*" pattern whose text is ASCII: that text, case-folded.
    bool m_bAsciiLiteral = false;
    QByteArray m_asciiLiteral;
};
