#pragma once

#include <string_view>

// Checks of the one address a mail goes to (or comes from): a plain
// local@domain with nothing that could end a header line, name a second
// recipient or change the SMTP conversation. The header's To and the
// envelope carry this address byte for byte.
class CMailAddress {
public:
    // The address without a leading "SMTP:" address type.
    static std::string_view WithoutType(std::string_view strAddress);
    // True for exactly one dot-atom local part, one '@' and one domain of
    // ASCII letters, digits, hyphens and dots, at most 254 characters in all.
    // An internationalised domain is written in its xn-- form, and must be
    // the canonical ASCII form of a name IDNA2008 allows, byte for byte
    // (lower case); mail programs that show or rewrite the name would
    // otherwise turn it into another address. Blanks, control
    // characters, non-ASCII characters and the separators
    // , ; < > ( ) [ ] " \ : are refused.
    static bool IsPlain(std::string_view strAddress);

private:
    static bool IsDotAtom(std::string_view strText, bool bDomain);
    static bool IsCanonicalIdn(std::string_view strDomain);
};
