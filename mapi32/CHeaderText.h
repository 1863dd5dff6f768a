#pragma once

#include <string>
#include <string_view>

// Texts that go into a header line (subject, display names) as one line:
// they can never end the header and start another one.
class CHeaderText {
public:
    // The valid UTF-8 text with every run of control characters and line or
    // paragraph separators (CR, LF, tab, ...) turned into one blank, and the
    // blanks at both ends removed.
    static std::string OneLine(std::string_view strText);
};
