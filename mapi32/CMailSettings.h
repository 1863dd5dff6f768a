#pragma once

#include "platform/mapi/SimpleMapi.h"
#include "platform/oauth/COAuthSettings.h"
#include "platform/oauth/CTokenStore.h"

#include <string>

// The mail system's settings, section [MailSystem] of the settings file, read
// once per logon and checked before anything goes out.
class CMailSettings {
public:
    enum class Transport { Smtp, Outbox };
    // How the SMTP login proves who the user is.
    enum class Auth { Password, OAuth2 };

    // Reads the section; SUCCESS_SUCCESS when it describes a usable mail
    // system, otherwise the result code that says why not.
    ULONG Read();

    Transport m_eTransport = Transport::Smtp;
    std::string m_strServer;
    std::string m_strUser;
    std::string m_strPassword;
    Auth m_eAuth = Auth::Password;
    COAuthSettings m_oauth;             // read for Auth=oauth2 only
    CTokenStore::Found m_refreshToken; // of the sign-in, for Auth=oauth2
    std::string m_strSenderName;
    std::string m_strSenderAddress;
    std::string m_strCaFile;
    std::string m_strOutbox;

private:
    ULONG ReadAuth();
    ULONG ReadSender(const std::string& strSender);
};
