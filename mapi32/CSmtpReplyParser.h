#pragma once

#include <optional>
#include <string>
#include <string_view>

// Cuts what an SMTP server sends into replies (RFC 5321 4.2): lines of three
// digits, the same on every line, a hyphen after them on every line but the
// last, a blank or nothing after the digits of the last. Anything else, a
// line of more than kMaxLineBytes or a reply of more than kMaxReplyBytes is
// no SMTP and makes the parser garbled for good. A reply may have many short
// lines; what is kept of it never grows past those bounds.
class CSmtpReplyParser {
public:
    struct Reply {
        int nCode = 0;
        // The whole reply on one line: the code, then the text of each line,
        // joined with blanks. An enhanced status code (RFC 3463) that only
        // repeats the first line's is left out.
        std::string strText;
        bool operator==(const Reply&) const = default;
    };

    static constexpr size_t kMaxLineBytes = 64 * 1024;
    static constexpr size_t kMaxReplyBytes = 1024 * 1024;

    void Feed(std::string_view strBytes);
    // The next whole reply, or nothing when more bytes are needed or the
    // server's bytes are garbled.
    std::optional<Reply> Next();
    bool IsGarbled() const { return m_bGarbled; }
    // Bytes arrived that belong to no reply taken yet.
    bool HasPending() const { return !m_strPending.empty(); }

private:
    bool TakeLine(std::string_view strLine);

    std::string m_strPending;
    size_t m_nReplyEnd = 0; // where the lines of the reply being read end
    size_t m_nScanned = 0;  // no line end before this, so that a line that comes
                            // in small pieces is not searched again and again
    Reply m_reply;          // the reply being read, its lines so far
    std::string m_strEnhancedCode;
    bool m_bGarbled = false;
};
