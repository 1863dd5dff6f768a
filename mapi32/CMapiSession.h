#pragma once

#include "mapi32/CMailOutcome.h"
#include "mapi32/CMailSettings.h"
#include "mapi32/CMailTransport.h"

#include <memory>
#include <string>

// One Simple MAPI session: the settings read at logon and the transport they
// name. Ending the session (destroying it) closes the transport.
class CMapiSession {
public:
    CMailOutcome Logon();
    // Checks, composes and delivers one message.
    CMailOutcome SendMail(const MapiMessage* pMessage);
    // The Message-ID header value of the last mail delivered in this
    // session; empty before the first.
    const std::string& SentMessageId() const { return m_strSentMessageId; }

private:
    CMailSettings m_settings;
    std::unique_ptr<CMailTransport> m_pTransport;
    std::string m_strSentMessageId;
};
