#pragma once

#include <optional>
#include <string>
#include <string_view>

// Cuts what an SMTP server sends into replies (RFC 5321 4.2): lines of three
// digits, a hyphen on every line but the last, a blank or nothing after the
// digits of the last. Anything else, or more than kMaxPendingBytes without a
// line end, is no SMTP and makes the parser garbled for good.
class CSmtpReplyParser {
public:
    struct Reply {
        int nCode = 0;
        std::string strText; // the last line, without its line end
        bool operator==(const Reply&) const = default;
    };

    static constexpr size_t kMaxPendingBytes = 64 * 1024;

    void Feed(std::string_view strBytes) { m_strPending.append(strBytes); }
    // The next whole reply, or nothing when more bytes are needed or the
    // server's bytes are garbled.
    std::optional<Reply> Next();
    bool IsGarbled() const { return m_bGarbled; }

private:
    std::string m_strPending;
    size_t m_nReplyEnd = 0; // where the lines of the reply being read end
    bool m_bGarbled = false;
};
