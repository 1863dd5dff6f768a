#include "mapi32/CSmtpReplyParser.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A reply code's first digit is 2 to 5; 1xx is not used by SMTP.
bool IsReplyLine(std::string_view strLine) {
    return strLine.size() >= 3 && strLine[0] >= '2' && strLine[0] <= '5' && IsDigit(strLine[1]) &&
           IsDigit(strLine[2]) && (strLine.size() == 3 || strLine[3] == ' ' || strLine[3] == '-');
}

bool IsLastReplyLine(std::string_view strLine) {
    return strLine.size() == 3 || strLine[3] == ' ';
}

int CodeOf(std::string_view strLine) {
    return (strLine[0] - '0') * 100 + (strLine[1] - '0') * 10 + (strLine[2] - '0');
}

} // namespace

std::optional<CSmtpReplyParser::Reply> CSmtpReplyParser::Next() {
    while (!m_bGarbled) {
        const size_t nLineEnd = m_strPending.find('\n', m_nReplyEnd);
        if (nLineEnd == std::string::npos) {
            m_bGarbled = m_strPending.size() > kMaxPendingBytes;
            break;
        }
        std::string_view strLine(m_strPending.data() + m_nReplyEnd, nLineEnd - m_nReplyEnd);
        if (strLine.ends_with('\r'))
            strLine.remove_suffix(1);
        m_bGarbled = !IsReplyLine(strLine);
        m_nReplyEnd = nLineEnd + 1;
        if (!m_bGarbled && IsLastReplyLine(strLine)) {
            Reply reply{CodeOf(strLine), std::string(strLine)};
            m_strPending.erase(0, m_nReplyEnd);
            m_nReplyEnd = 0;
            return reply;
        }
    }
    return std::nullopt;
}
