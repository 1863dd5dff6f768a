#include "mapi32/CSmtpReplyParser.h"

#include <algorithm>
#include <utility>

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

// Digits, a dot, digits, a dot, digits ("5.1.1"), as the text of a line
// starts where the server gives an enhanced status code; else empty.
std::string_view EnhancedCodeOf(std::string_view strText) {
    const size_t nEnd = std::min(strText.find(' '), strText.size());
    const std::string_view strWord = strText.substr(0, nEnd);
    int nDots = 0;
    bool bDigitBefore = false;
    for (const char c : strWord) {
        if (c == '.' && bDigitBefore)
            ++nDots;
        else if (!IsDigit(c))
            return {};
        bDigitBefore = c != '.';
    }
    return nDots == 2 && bDigitBefore ? strWord : std::string_view();
}

} // namespace

void CSmtpReplyParser::Feed(std::string_view strBytes) {
    if (!m_bGarbled)
        m_strPending.append(strBytes);
}

std::optional<CSmtpReplyParser::Reply> CSmtpReplyParser::Next() {
    while (!m_bGarbled) {
        const size_t nLineEnd = m_strPending.find('\n', std::max(m_nReplyEnd, m_nScanned));
        if (nLineEnd == std::string::npos) {
            m_nScanned = m_strPending.size();
            m_bGarbled = m_strPending.size() - m_nReplyEnd > kMaxLineBytes ||
                         m_strPending.size() > kMaxReplyBytes;
            break;
        }
        std::string_view strLine(m_strPending.data() + m_nReplyEnd, nLineEnd - m_nReplyEnd);
        if (strLine.ends_with('\r'))
            strLine.remove_suffix(1);
        m_nReplyEnd = nLineEnd + 1;
        m_bGarbled =
            strLine.size() > kMaxLineBytes || m_nReplyEnd > kMaxReplyBytes || !TakeLine(strLine);
        if (!m_bGarbled && IsLastReplyLine(strLine)) {
            m_strPending.erase(0, m_nReplyEnd);
            m_nReplyEnd = 0;
            m_nScanned = 0;
            m_strEnhancedCode.clear();
            return std::exchange(m_reply, Reply());
        }
    }
    return std::nullopt;
}

// Adds a line's text to the reply being read; false when the line is no
// reply line or not of the reply's code.
bool CSmtpReplyParser::TakeLine(std::string_view strLine) {
    if (!IsReplyLine(strLine))
        return false;
    std::string_view strText = strLine.size() > 4 ? strLine.substr(4) : std::string_view();
    if (m_reply.strText.empty()) {
        m_reply.nCode = CodeOf(strLine);
        m_reply.strText = strLine.substr(0, 3);
        m_strEnhancedCode = EnhancedCodeOf(strText);
    } else if (CodeOf(strLine) != m_reply.nCode) {
        return false;
    } else if (!m_strEnhancedCode.empty() && EnhancedCodeOf(strText) == m_strEnhancedCode) {
        strText.remove_prefix(std::min(strText.size(), m_strEnhancedCode.size() + 1));
    }
    if (!strText.empty())
        m_reply.strText.append(1, ' ').append(strText);
    return true;
}
