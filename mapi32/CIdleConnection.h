#pragma once

#include <curl/curl.h>
#include <string>

// The one SMTP connection the resident library keeps between a session's
// logoff and the next logon: a libcurl handle whose connection cache holds
// the logged-in connection, with the settings it was made with. A run of
// Send Mail, one logon per mail, thus connects and logs in once.
//
// A handle is handed out again only for the same server, user, password and
// CA file and only within kIdleSeconds of its parking; any other parked
// handle is closed (QUIT) when the next one is asked for. The last one says
// QUIT when the process exits.
class CIdleConnection {
public:
    struct Key {
        std::string strServer;
        std::string strUser;
        std::string strPassword;
        std::string strCaFile;
        bool operator==(const Key&) const = default;
    };

    static constexpr int kIdleSeconds = 60;

    // Keeps the handle and the socket of its connection (the caller gives
    // them up), closing one parked before.
    static void Park(CURL* pCurl, curl_socket_t nSocket, Key key);
    // The parked handle for these settings, or nullptr; the caller owns it.
    // nSocket receives its connection's socket.
    static CURL* Take(const Key& key, curl_socket_t& nSocket);
};
