#pragma once

#include "mapi32/CSmtpReplyParser.h"

#include <cstddef>
#include <optional>
#include <string_view>

// The server's replies held against the commands sent: one reply is due for
// each command, and a pipelined group is owed as many as it has commands. A
// byte that arrives while no reply is due, or that is left over once the
// last due reply is taken, puts the conversation out of step for good: no
// reply read after it can be matched to its command.
class CSmtpReplyQueue {
public:
    using Reply = CSmtpReplyParser::Reply;

    // nCount more commands went out.
    void Expect(size_t nCount) { m_nDue += nCount; }
    void Feed(std::string_view strBytes);
    // The next due reply once it is whole; nothing while more bytes are
    // needed, or once the conversation is out of step or garbled.
    std::optional<Reply> Next();

    bool IsOutOfStep() const { return m_bOutOfStep; }
    bool IsGarbled() const { return m_parser.IsGarbled(); }

private:
    CSmtpReplyParser m_parser;
    size_t m_nDue = 0;
    bool m_bOutOfStep = false;
};
