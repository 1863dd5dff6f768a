#pragma once

#include <memory>
#include <string>

class CSmtpConnection;

// The one SMTP connection the resident library keeps between a session's
// logoff and the next logon, with the settings it was made with. A run of
// Send Mail, one logon per mail, thus connects and logs in once.
//
// A connection is handed out again only for the same server, user, password
// (or sign-in) and CA file and only within kIdleSeconds of its parking; any
// other parked connection is closed (QUIT) when the next one is asked for.
// The last one says QUIT when the process exits.
class CIdleConnection {
public:
    struct Key {
        std::string strServer;
        std::string strUser;
        std::string strPassword;
        std::string strCaFile;
        std::string strSignIn; // the refresh token of a token login; empty for a password
        bool operator==(const Key&) const = default;
    };

    static constexpr int kIdleSeconds = 60;

    // Keeps the connection, closing one parked before.
    static void Park(std::unique_ptr<CSmtpConnection> pConnection, Key key);
    // The parked connection for these settings, or nullptr.
    static std::unique_ptr<CSmtpConnection> Take(const Key& key);
};
