#include "engine/address/CMailAddress.h"

#include <algorithm>

namespace {

constexpr std::string_view kAddressType = "SMTP:";
constexpr std::string_view kLocalPartSymbols = "!#$%&'*+-/=?^_`{|}~";

// ASCII only, whatever the process locale says.
bool IsLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsAtomCharacter(char c, bool bDomain) {
    if (IsLetterOrDigit(c) || c == '-')
        return true;
    return !bDomain && kLocalPartSymbols.find(c) != std::string_view::npos;
}

} // namespace

std::string_view CMailAddress::WithoutType(std::string_view strAddress) {
    const bool bTyped = strAddress.size() >= kAddressType.size() &&
                        std::equal(kAddressType.begin(), kAddressType.end(), strAddress.begin(),
                                   [](char a, char b) { return a == UpperAscii(b); });
    return bTyped ? strAddress.substr(kAddressType.size()) : strAddress;
}

bool CMailAddress::IsPlain(std::string_view strAddress) {
    const size_t nAt = strAddress.find('@');
    if (nAt == std::string_view::npos || strAddress.find('@', nAt + 1) != std::string_view::npos)
        return false;
    return IsDotAtom(strAddress.substr(0, nAt), false) &&
           IsDotAtom(strAddress.substr(nAt + 1), true);
}

// Non-empty runs of allowed characters joined by single dots.
bool CMailAddress::IsDotAtom(std::string_view strText, bool bDomain) {
    if (strText.empty() || strText.front() == '.' || strText.back() == '.' ||
        strText.find("..") != std::string_view::npos)
        return false;
    return std::all_of(strText.begin(), strText.end(),
                       [bDomain](char c) { return c == '.' || IsAtomCharacter(c, bDomain); });
}
