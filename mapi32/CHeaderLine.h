#pragma once

#include <string>
#include <string_view>

// Header fields written by the library itself, byte for byte as meant:
// a text that needs it goes out as RFC 2047 encoded words of our own making
// (Q encoding of UTF-8: no base64 padding that readers joining adjacent
// words would stumble on), never as something a reader could take for one, and a
// long field is folded with CR LF and a blank before each continuation line.
// The address of a mailbox is written exactly as given.
class CHeaderLine {
public:
    // "Name: text" for an unstructured field such as Subject. strText is one
    // line of valid UTF-8 (CHeaderText::OneLine).
    static std::string Unstructured(std::string_view strName, std::string_view strText);
    // "Name: display name <address>", or "Name: address" without a name.
    // strAddress is a plain address (CMailAddress::IsPlain).
    static std::string Mailbox(std::string_view strName, std::string_view strDisplayName,
                               std::string_view strAddress);
};
