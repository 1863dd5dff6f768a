#pragma once

#include <string>

// A message as it goes to the server after DATA (RFC 5321 4.5.2).
class CSmtpData {
public:
    // Lines that start with a dot get a second one, so that no line of the
    // message ends the data; the last line is ended, and the data ends with
    // a line of one dot.
    static std::string Of(const std::string& strMessage);
};
