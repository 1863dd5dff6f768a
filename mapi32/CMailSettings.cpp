#include "mapi32/CMailSettings.h"

#include "mapi32/CHeaderText.h"
#include "engine/address/CMailAddress.h"
#include "mapi32/GObjectPtr.h"
#include "mapi32/MapiResult.h"
#include "platform/settings/CPasswordStore.h"
#include "platform/settings/CProfileSettings.h"

#include <gmime/gmime.h>

namespace {

std::string Setting(QLatin1String key) {
    return CProfileSettings::GetProfileString(CProfileSettings::kSectionMailSystem, key)
        .trimmed()
        .toStdString();
}

// The file's password (it may begin or end with blanks); where the file has
// none, the one the desktop keyring keeps for this server and user.
std::string Password(const std::string& strServer, const std::string& strUser) {
    const QString strPassword = CProfileSettings::GetProfileString(
        CProfileSettings::kSectionMailSystem, CProfileSettings::kKeyPassword);
    if (!strPassword.isEmpty() || strUser.empty())
        return strPassword.toStdString();
    return CPasswordStore::Lookup(QString::fromStdString(strServer),
                                  QString::fromStdString(strUser))
        .value_or(QString())
        .toStdString();
}

} // namespace

ULONG CMailSettings::Read() {
    const std::string strTransport = Setting(CProfileSettings::kKeyTransport);
    if (strTransport.empty() ||
        g_ascii_strcasecmp(strTransport.c_str(), CProfileSettings::kTransportSmtp.data()) == 0)
        m_eTransport = Transport::Smtp;
    else if (g_ascii_strcasecmp(strTransport.c_str(), CProfileSettings::kTransportOutbox.data()) ==
             0)
        m_eTransport = Transport::Outbox;
    else
        return MapiResult::SettingsInvalid;

    m_strServer = Setting(CProfileSettings::kKeyServer);
    m_strUser = Setting(CProfileSettings::kKeyUser);
    if (m_eTransport == Transport::Smtp) {
        if (const ULONG nResult = ReadAuth(); nResult != SUCCESS_SUCCESS)
            return nResult;
    }
    m_strCaFile = Setting(CProfileSettings::kKeyCAFile);
    m_strOutbox = Setting(CProfileSettings::kKeyOutbox);
    const std::string& strWhere = m_eTransport == Transport::Smtp ? m_strServer : m_strOutbox;
    if (strWhere.empty())
        return MapiResult::SettingsIncomplete;
    return ReadSender(Setting(CProfileSettings::kKeySender));
}

// A password login reads the password; a sign-in reads what renews its
// access token, and the refresh token (none where nobody is signed in).
ULONG CMailSettings::ReadAuth() {
    switch (COAuthSettings::ReadAuth()) {
    case COAuthSettings::Auth::Password:
        m_eAuth = Auth::Password;
        m_strPassword = Password(m_strServer, m_strUser);
        return SUCCESS_SUCCESS;
    case COAuthSettings::Auth::OAuth2:
        break;
    case COAuthSettings::Auth::Unknown:
        return MapiResult::SettingsInvalid;
    }
    m_eAuth = Auth::OAuth2;
    m_oauth = COAuthSettings::Read();
    switch (m_oauth.CheckRenewal()) {
    case COAuthSettings::Problem::None:
        m_refreshToken = CTokenStore::Lookup(m_oauth.m_strProvider, m_oauth.m_strUser);
        return SUCCESS_SUCCESS;
    case COAuthSettings::Problem::NoUser:
    case COAuthSettings::Problem::NoClientId:
    case COAuthSettings::Problem::NoTokenUrl:
        return MapiResult::SettingsIncomplete;
    default:
        return MapiResult::SettingsInvalid;
    }
}

// The sender is one mailbox, "Jane Doe <jane@example.com>" or a bare address.
ULONG CMailSettings::ReadSender(const std::string& strSender) {
    if (strSender.empty())
        return MapiResult::SettingsIncomplete;
    if (!g_utf8_validate(strSender.data(), static_cast<gssize>(strSender.size()), nullptr))
        return MapiResult::SettingsInvalid;
    const GObjectPtr<InternetAddressList> pList(
        internet_address_list_parse(nullptr, strSender.c_str()));
    if (!pList || internet_address_list_length(pList.get()) != 1)
        return MapiResult::SettingsInvalid;
    InternetAddress* pAddress = internet_address_list_get_address(pList.get(), 0);
    if (!INTERNET_ADDRESS_IS_MAILBOX(pAddress))
        return MapiResult::SettingsInvalid;
    const char* pMailbox = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(pAddress));
    if (!pMailbox || !CMailAddress::IsPlain(pMailbox))
        return MapiResult::SettingsInvalid;
    const char* pName = internet_address_get_name(pAddress);
    m_strSenderName = pName ? CHeaderText::OneLine(pName) : std::string();
    m_strSenderAddress = pMailbox;
    return SUCCESS_SUCCESS;
}
