#pragma once

#include "mapi32/CIdleConnection.h"
#include "mapi32/CMailTransport.h"

#include <memory>

class CMailSettings;
class CSmtpConnection;

// Delivery over SMTP, on one connection for the whole session (see
// CSmtpConnection for the login and the limits). Destroying the transport
// keeps a connection in good order for the next session with the same
// settings (CIdleConnection); a broken one is closed.
class CSmtpTransport : public CMailTransport {
public:
    explicit CSmtpTransport(const CMailSettings& settings);
    ~CSmtpTransport() override;
    CSmtpTransport(const CSmtpTransport&) = delete;
    CSmtpTransport& operator=(const CSmtpTransport&) = delete;

    ULONG Logon() override;
    ULONG Deliver(const std::string& strSender, const std::string& strRecipient,
                  const std::string& strMessage) override;

private:
    ULONG Connect();
    ULONG ConnectWithToken();
    bool ClosedWhileParked(long nRepliesBefore) const;
    CIdleConnection::Key ConnectionKey() const;

    const CMailSettings& m_settings;
    std::unique_ptr<CSmtpConnection> m_pConnection;
    bool m_bReused = false; // the connection of an earlier session, not yet used
};
