#pragma once

#include "mapi32/CIdleConnection.h"
#include "mapi32/CMailTransport.h"

#include <memory>

class CMailSettings;
class CSmtpConnection;

// Delivery over SMTP, on one connection for the whole session (see
// CSmtpConnection for the login and the limits). Destroying the transport
// keeps a connection in good order for the next session with the same
// settings (CIdleConnection); a broken one is closed, and a mail after it
// logs in anew.
//
// A kept connection (parked, or used for a mail before) may have been given
// up by the server meanwhile. When something waits on it before a mail
// starts (a stale reply, a close), or the server answers the mail's first
// command with 421 or by closing, nothing of the mail has been taken: the
// connection is replaced, once, and the mail sent on the new one.
class CSmtpTransport : public CMailTransport {
public:
    explicit CSmtpTransport(const CMailSettings& settings);
    ~CSmtpTransport() override;
    CSmtpTransport(const CSmtpTransport&) = delete;
    CSmtpTransport& operator=(const CSmtpTransport&) = delete;

    CMailOutcome Logon() override;
    CMailOutcome Deliver(const std::string& strSender, const std::string& strRecipient,
                         const std::string& strMessage) override;

private:
    CMailOutcome Connect();
    bool ServerGaveUpKeptConnection(const CMailOutcome& outcome) const;
    CIdleConnection::Key ConnectionKey() const;

    const CMailSettings& m_settings;
    std::unique_ptr<CSmtpConnection> m_pConnection;
    bool m_bKept = false; // the connection was parked, or carried a mail before
};
