#pragma once

#include "platform/mapi/SimpleMapi.h"

#include <string>

class CSmtpConnection;

// One mail over a logged-in connection: MAIL, RCPT and DATA, then the data
// and its end. Where the server offers PIPELINING the three commands go out
// together and their replies are read together (RFC 2920), so that a mail
// waits for two replies instead of four.
//
// A refused mail leaves the connection ready for the next one (RSET); a
// server that accepted DATA although it refused the mail before gets no
// data, but the connection closed, so that nothing half-made is delivered.
class CSmtpMailTransaction {
public:
    // SUCCESS_SUCCESS, the refusal by its meaning (MapiResult.h), or the
    // connection's break result.
    static ULONG Send(CSmtpConnection& connection, const std::string& strSender,
                      const std::string& strRecipient, const std::string& strMessage);
};
