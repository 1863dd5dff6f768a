#include "mapi32/CSmtpTransport.h"

#include "mapi32/CAccessToken.h"
#include "mapi32/CMailSettings.h"
#include "mapi32/MapiResult.h"
#include "mapi32/CSmtpConnection.h"
#include "mapi32/CSmtpMailTransaction.h"

CSmtpTransport::CSmtpTransport(const CMailSettings& settings) : m_settings(settings) {}

// A connection in good order stays open for the next session.
CSmtpTransport::~CSmtpTransport() {
    if (m_pConnection && m_pConnection->IsUsable())
        CIdleConnection::Park(std::move(m_pConnection), ConnectionKey());
}

// The connection of the last session with the same settings is taken when
// the server has not closed it meanwhile; one that it closes just now shows
// at the first mail. A new one is logged in here, so that a wrong password
// or an unreachable server is reported at logon.
ULONG CSmtpTransport::Logon() {
    m_pConnection = CIdleConnection::Take(ConnectionKey());
    m_bReused = m_pConnection && m_pConnection->IsQuiet();
    return m_bReused ? SUCCESS_SUCCESS : Connect();
}

ULONG CSmtpTransport::Connect() {
    m_pConnection = std::make_unique<CSmtpConnection>();
    if (m_settings.m_eAuth == CMailSettings::Auth::Password)
        return m_pConnection->Open(m_settings);
    return ConnectWithToken();
}

// A kept token that the server refuses (its user revoked it, say) is
// renewed once; a renewed one that is refused is the answer.
ULONG CSmtpTransport::ConnectWithToken() {
    CAccessToken::Outcome token = CAccessToken::Get(m_settings);
    if (token.nResult != SUCCESS_SUCCESS)
        return token.nResult;
    const ULONG nResult = m_pConnection->Open(m_settings, token.strToken);
    if (nResult != MapiResult::LoginDenied || token.bRenewed)
        return nResult;
    CAccessToken::Forget();
    token = CAccessToken::Get(m_settings);
    if (token.nResult != SUCCESS_SUCCESS)
        return token.nResult;
    m_pConnection = std::make_unique<CSmtpConnection>();
    return m_pConnection->Open(m_settings, token.strToken);
}

CIdleConnection::Key CSmtpTransport::ConnectionKey() const {
    return {m_settings.m_strServer, m_settings.m_strUser, m_settings.m_strPassword,
            m_settings.m_strCaFile, m_settings.m_refreshToken.strToken.toStdString()};
}

ULONG CSmtpTransport::Deliver(const std::string& strSender, const std::string& strRecipient,
                              const std::string& strMessage) {
    const long nRepliesBefore = m_pConnection->RepliesRead();
    const ULONG nResult =
        CSmtpMailTransaction::Send(*m_pConnection, strSender, strRecipient, strMessage);
    const bool bClosedWhileParked = ClosedWhileParked(nRepliesBefore);
    m_bReused = false;
    if (!bClosedWhileParked)
        return nResult;
    if (const ULONG nLogon = Connect(); nLogon != SUCCESS_SUCCESS)
        return nLogon;
    return CSmtpMailTransaction::Send(*m_pConnection, strSender, strRecipient, strMessage);
}

// A kept connection that broke before the server answered anything of this
// mail was closed by the server while it waited: nothing of the mail can
// have been accepted, and a new connection may send it.
bool CSmtpTransport::ClosedWhileParked(long nRepliesBefore) const {
    return m_bReused && !m_pConnection->IsUsable() && !m_pConnection->HasStalled() &&
           m_pConnection->RepliesRead() == nRepliesBefore;
}
