#pragma once

#include "platform/mapi/SimpleMapi.h"

#include <string>

// The mail system's settings, section [MailSystem] of the settings file, read
// once per logon and checked before anything goes out.
class CMailSettings {
public:
    enum class Transport { Smtp, Outbox };

    // Reads the section; SUCCESS_SUCCESS when it describes a usable mail
    // system, otherwise the result code that says why not.
    ULONG Read();

    Transport m_eTransport = Transport::Smtp;
    std::string m_strServer;
    std::string m_strUser;
    std::string m_strPassword;
    std::string m_strSenderName;
    std::string m_strSenderAddress;
    std::string m_strCaFile;
    std::string m_strOutbox;

private:
    ULONG ReadSender(const std::string& strSender);
};
