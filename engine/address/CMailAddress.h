#pragma once

#include <string_view>

// Checks of the one address a mail goes to (or comes from): a plain
// local@domain with nothing that could end a header line, name a second
// recipient or change the SMTP conversation.
class CMailAddress {
public:
    // The address without a leading "SMTP:" address type.
    static std::string_view WithoutType(std::string_view strAddress);
    // True for exactly one dot-atom local part, one '@' and one domain of
    // ASCII letters, digits, hyphens and dots (internationalised domains in
    // their xn-- form). Blanks, control characters, non-ASCII characters and
    // the separators , ; < > ( ) [ ] " \ : are refused.
    static bool IsPlain(std::string_view strAddress);

private:
    static bool IsDotAtom(std::string_view strText, bool bDomain);
};
