#pragma once

#include "mapi32/CMailOutcome.h"

#include <string>

// Where a session's mails go: an SMTP server or the outbox folder.
class CMailTransport {
public:
    virtual ~CMailTransport() = default;

    // Everything that can be checked before the first mail: for SMTP the
    // connection, TLS and the login.
    virtual CMailOutcome Logon() = 0;
    // Hands one whole message (CR LF line ends) to the mail system, for the
    // one recipient address.
    virtual CMailOutcome Deliver(const std::string& strSender, const std::string& strRecipient,
                                 const std::string& strMessage) = 0;
};
