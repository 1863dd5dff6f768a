#include "engine/address/CMailAddress.h"

#include <algorithm>
#include <idn2.h>
#include <memory>
#include <string>

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

struct IdnFree {
    void operator()(char* pText) const { idn2_free(pText); }
};

} // namespace

// A domain with xn-- labels is one that mail programs show and send on
// unchanged: it decodes to Unicode under IDNA2008 (libidn2, which libcurl and
// GMime use as well), every xn-- label with it, and the decoded name's ASCII
// form is the domain again, byte for byte. Labels that do not decode, that
// hold characters IDNA2008 does not allow, or that are not in the canonical
// lower-case form (nor the other labels beside them) come back from such a
// program as another address.
bool CMailAddress::IsCanonicalIdn(std::string_view strDomain) {
    if (!HasAceLabel(strDomain))
        return true;
    const std::string strAce(strDomain);
    char* pUnicode = nullptr;
    if (idn2_to_unicode_8z8z(strAce.c_str(), &pUnicode, 0) != IDN2_OK)
        return false;
    const std::unique_ptr<char, IdnFree> pOwnedUnicode(pUnicode);
    if (HasAceLabel(pUnicode))
        return false;
    char* pAscii = nullptr;
    if (idn2_to_ascii_8z(pUnicode, &pAscii, IDN2_NONTRANSITIONAL) != IDN2_OK)
        return false;
    const std::unique_ptr<char, IdnFree> pOwnedAscii(pAscii);
    return strAce == pAscii;
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
