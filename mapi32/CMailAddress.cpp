#include "mapi32/CMailAddress.h"

#include <QUrl>
#include <algorithm>

namespace {

constexpr std::string_view kAddressType = "SMTP:";
constexpr std::string_view kLocalPartSymbols = "!#$%&'*+-/=?^_`{|}~";
constexpr std::string_view kAcePrefix = "xn--";
// The longest address a forward or reverse path can carry (RFC 5321).
constexpr size_t kMaxAddressLength = 254;

// ASCII only, whatever the process locale says.
bool IsLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool StartsWithNoCase(std::string_view strText, std::string_view strPrefix) {
    return strText.size() >= strPrefix.size() &&
           std::equal(strPrefix.begin(), strPrefix.end(), strText.begin(),
                      [](char a, char b) { return UpperAscii(a) == UpperAscii(b); });
}

bool IsAtomCharacter(char c, bool bDomain) {
    if (IsLetterOrDigit(c) || c == '-')
        return true;
    return !bDomain && kLocalPartSymbols.find(c) != std::string_view::npos;
}

bool HasAceLabel(std::string_view strDomain) {
    for (size_t nStart = 0; nStart < strDomain.size();) {
        const size_t nDot = std::min(strDomain.find('.', nStart), strDomain.size());
        if (StartsWithNoCase(strDomain.substr(nStart, nDot - nStart), kAcePrefix))
            return true;
        nStart = nDot + 1;
    }
    return false;
}

// The kinds of characters IDNA2008 lets a name hold (RFC 5892's letters,
// marks and digits), lower case; symbols and punctuation come back from
// mail programs as another name, or not at all.
bool IsNameCharacter(uint c) {
    switch (QChar::category(static_cast<char32_t>(c))) {
    case QChar::Letter_Lowercase:
    case QChar::Letter_Other:
    case QChar::Letter_Modifier:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Number_DecimalDigit:
        return true;
    default:
        return c == '-' || c == '.';
    }
}

} // namespace

// A domain with xn-- labels is one that mail programs show and send on
// unchanged: every such label decodes (IDNA, as QUrl does it) and the
// decoded name's ASCII form is the domain again, byte for byte. Labels that
// do not decode, that decode to characters a name cannot hold, or that are
// not in the canonical lower-case form (nor the other labels beside them)
// come back from such a program as another address.
bool CMailAddress::IsCanonicalIdn(std::string_view strDomain) {
    if (!HasAceLabel(strDomain))
        return true;
    const QByteArray strAce(strDomain.data(), static_cast<qsizetype>(strDomain.size()));
    const QString strUnicode = QUrl::fromAce(strAce, QUrl::IgnoreIDNWhitelist);
    return !strUnicode.isEmpty() && !HasAceLabel(strUnicode.toStdString()) &&
           std::ranges::all_of(strUnicode.toUcs4(), IsNameCharacter) &&
           QUrl::toAce(strUnicode, QUrl::IgnoreIDNWhitelist) == strAce;
}

std::string_view CMailAddress::WithoutType(std::string_view strAddress) {
    return StartsWithNoCase(strAddress, kAddressType) ? strAddress.substr(kAddressType.size())
                                                      : strAddress;
}

bool CMailAddress::IsPlain(std::string_view strAddress) {
    const size_t nAt = strAddress.find('@');
    if (strAddress.size() > kMaxAddressLength || nAt == std::string_view::npos ||
        strAddress.find('@', nAt + 1) != std::string_view::npos)
        return false;
    const std::string_view strDomain = strAddress.substr(nAt + 1);
    return IsDotAtom(strAddress.substr(0, nAt), false) && IsDotAtom(strDomain, true) &&
           IsCanonicalIdn(strDomain);
}

// Non-empty runs of allowed characters joined by single dots.
bool CMailAddress::IsDotAtom(std::string_view strText, bool bDomain) {
    if (strText.empty() || strText.front() == '.' || strText.back() == '.' ||
        strText.find("..") != std::string_view::npos)
        return false;
    return std::all_of(strText.begin(), strText.end(),
                       [bDomain](char c) { return c == '.' || IsAtomCharacter(c, bDomain); });
}
