#include "mapi32/CSmtpReplyQueue.h"

void CSmtpReplyQueue::Feed(std::string_view strBytes) {
    if (strBytes.empty() || m_bOutOfStep)
        return;
    m_bOutOfStep = m_nDue == 0;
    m_parser.Feed(strBytes);
}

std::optional<CSmtpReplyQueue::Reply> CSmtpReplyQueue::Next() {
    if (m_bOutOfStep || m_nDue == 0)
        return std::nullopt;
    std::optional<Reply> reply = m_parser.Next();
    if (reply && --m_nDue == 0)
        m_bOutOfStep = m_parser.HasPending();
    return reply;
}
