#pragma once

#include "mapi32/CMailOutcome.h"

#include <string>

class CSmtpConnection;

// One mail over a logged-in connection: MAIL, RCPT and DATA, then the data
// and its end. Where the server offers PIPELINING the three commands go out
// together and their replies are read together (RFC 2920), so that a mail
// waits for two replies instead of four.
//
// The mail counts as sent only when the reply to the end of its data is 2xx
// and every reply before it came when due and of a kind its command can
// have: a reply out of step fails the mail and closes the connection.
// A refused mail leaves the connection ready for the next one (RSET); a
// server that accepted DATA although it refused the mail before gets no
// data, but the connection closed, so that nothing half-made is delivered.
// A 421 closes the connection, as the server does.
class CSmtpMailTransaction {
public:
    // Success, the refusal by its meaning (MapiResult.h) with the server's
    // reply, or the connection's break at the step it happened.
    static CMailOutcome Send(CSmtpConnection& connection, const std::string& strSender,
                             const std::string& strRecipient, const std::string& strMessage);
};
