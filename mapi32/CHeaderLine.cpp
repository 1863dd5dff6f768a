#include "mapi32/CHeaderLine.h"

#include <algorithm>
#include <glib.h>
#include <vector>

namespace {

// Lines stay within the length RFC 5322 recommends.
constexpr size_t kMaxLineLength = 78;
// Longer words are encoded, so that a folded line always fits.
constexpr size_t kMaxPlainWordLength = 60;
// "=?utf-8?q?" + 63 + "?=" is the 75 characters RFC 2047 allows for one
// encoded word.
constexpr size_t kMaxEncodedText = 63;
constexpr std::string_view kAtomSymbols = "!#$%&'*+-/=?^_`{|}~";
// The characters besides letters and digits that RFC 2047 lets stand as they
// are in an encoded word of a display name.
constexpr std::string_view kQSymbols = "!*+-/";

bool IsAtomCharacter(char c) {
    return g_ascii_isalnum(c) || kAtomSymbols.find(c) != std::string_view::npos;
}

bool IsVisibleAscii(char c) {
    return c > ' ' && c < 0x7f;
}

std::vector<std::string_view> WordsOf(std::string_view strText) {
    std::vector<std::string_view> vecWords;
    size_t nStart = 0;
    for (size_t nBlank = strText.find(' '); nBlank != std::string_view::npos;
         nBlank = strText.find(' ', nStart)) {
        vecWords.push_back(strText.substr(nStart, nBlank - nStart));
        nStart = nBlank + 1;
    }
    vecWords.push_back(strText.substr(nStart));
    return vecWords;
}

// A text that can stand as it is: at most nMaxLength characters, words of
// allowed characters between single blanks, none so long that it could not
// be folded, and nothing that starts an encoded word.
bool CanStandAsIs(std::string_view strText, bool (*pIsAllowed)(char), size_t nMaxLength) {
    if (strText.empty() || strText.size() > nMaxLength ||
        strText.find("=?") != std::string_view::npos)
        return false;
    for (std::string_view strWord : WordsOf(strText)) {
        if (strWord.empty() || strWord.size() > kMaxPlainWordLength)
            return false;
        for (char c : strWord) {
            if (!pIsAllowed(c))
                return false;
        }
    }
    return true;
}

bool IsQLiteral(char c) {
    return g_ascii_isalnum(c) || kQSymbols.find(c) != std::string_view::npos;
}

// RFC 2047's Q encoding of UTF-8 bytes, with only the characters it allows
// in a display name as they are; a blank is "_".
std::string QEncoded(std::string_view strBytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string strEncoded;
    for (char c : strBytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ' ')
            strEncoded += '_';
        else if (IsQLiteral(c))
            strEncoded += c;
        else
            strEncoded += {'=', kHex[byte >> 4], kHex[byte & 0x0f]};
    }
    return strEncoded;
}

// Runs of other characters, each with the blanks after it.
std::vector<std::string_view> Units(std::string_view strText) {
    std::vector<std::string_view> vecUnits;
    while (!strText.empty()) {
        size_t nEnd = std::min(strText.find(' '), strText.size());
        nEnd = std::min(strText.find_first_not_of(' ', nEnd), strText.size());
        vecUnits.push_back(strText.substr(0, nEnd));
        strText.remove_prefix(nEnd);
    }
    return vecUnits;
}

// Collects the encoded text into encoded words of at most kMaxEncodedText
// characters. An encoded word ends after a blank where it can: a reader
// must join adjacent encoded words without the blank between them, and
// some (Python's) do that only where the text broke at a blank.
class EncodedWordWriter {
public:
    void AddUnit(std::string_view strUnit) {
        const std::string strEncoded = QEncoded(strUnit);
        if (m_strText.size() + strEncoded.size() > kMaxEncodedText)
            Flush();
        if (strEncoded.size() <= kMaxEncodedText) {
            m_strText += strEncoded;
            return;
        }
        // A word too long for one encoded word, cut between characters.
        const char* const pEnd = strUnit.data() + strUnit.size();
        for (const char* p = strUnit.data(); p < pEnd; p = g_utf8_next_char(p))
            AddPiece(QEncoded(std::string_view(p, g_utf8_next_char(p) - p)));
    }
    std::vector<std::string> Words() {
        Flush();
        return std::move(m_vecWords);
    }

private:
    void AddPiece(const std::string& strPiece) {
        if (m_strText.size() + strPiece.size() > kMaxEncodedText)
            Flush();
        m_strText += strPiece;
    }
    void Flush() {
        if (!m_strText.empty())
            m_vecWords.push_back("=?utf-8?q?" + m_strText + "?=");
        m_strText.clear();
    }

    std::string m_strText;
    std::vector<std::string> m_vecWords;
};

// The whole text as encoded words, each cut between two characters.
std::vector<std::string> EncodedWords(std::string_view strText) {
    EncodedWordWriter writer;
    for (std::string_view strUnit : Units(strText))
        writer.AddUnit(strUnit);
    return writer.Words();
}

std::vector<std::string> Tokens(std::string_view strText, bool (*pIsAllowed)(char),
                                size_t nMaxPlainLength) {
    if (strText.empty())
        return {};
    if (!CanStandAsIs(strText, pIsAllowed, nMaxPlainLength))
        return EncodedWords(strText);
    std::vector<std::string> vecTokens;
    for (std::string_view strWord : WordsOf(strText))
        vecTokens.emplace_back(strWord);
    return vecTokens;
}

// "Name:" and the tokens, each after one blank; where a token would make the
// line too long, the blank before it starts a new line. Unfolding (taking
// out each CR LF) gives back the tokens joined by single blanks.
std::string Folded(std::string_view strName, const std::vector<std::string>& vecTokens) {
    std::string strField(strName);
    strField += ':';
    size_t nLineLength = strField.size();
    for (const std::string& strToken : vecTokens) {
        if (nLineLength + 1 + strToken.size() > kMaxLineLength &&
            nLineLength > strName.size() + 1) {
            strField += "\r\n";
            nLineLength = 0;
        }
        strField += ' ';
        strField += strToken;
        nLineLength += 1 + strToken.size();
    }
    return strField + "\r\n";
}

} // namespace

std::string CHeaderLine::Unstructured(std::string_view strName, std::string_view strText) {
    return Folded(strName, Tokens(strText, &IsVisibleAscii, std::string_view::npos));
}

std::string CHeaderLine::Mailbox(std::string_view strName, std::string_view strDisplayName,
                                 std::string_view strAddress) {
    if (strDisplayName.empty())
        return Folded(strName, {std::string(strAddress)});
    // A plain name is never folded: some readers (GMime) keep the line break
    // of a folded name in it. One that does not fit on the first line is
    // encoded, and folded between its encoded words.
    const size_t nFirstLineRoom = kMaxLineLength - strName.size() - 2;
    std::vector<std::string> vecTokens = Tokens(strDisplayName, &IsAtomCharacter, nFirstLineRoom);
    vecTokens.push_back('<' + std::string(strAddress) + '>');
    return Folded(strName, vecTokens);
}
