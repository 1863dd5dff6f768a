#include "mapi32/CSmtpTransport.h"

#include "mapi32/CAccessToken.h"
#include "mapi32/CMailSettings.h"
#include "mapi32/MapiResult.h"
#include "mapi32/CSmtpConnection.h"
#include "mapi32/CSmtpMailTransaction.h"

namespace {

constexpr int kServiceClosing = 421;

} // namespace

CSmtpTransport::CSmtpTransport(const CMailSettings& settings) : m_settings(settings) {}

// A connection in good order stays open for the next session.
CSmtpTransport::~CSmtpTransport() {
    if (m_pConnection && m_pConnection->IsUsable())
        CIdleConnection::Park(std::move(m_pConnection), ConnectionKey());
}

// The connection of the last session with the same settings is taken when
// the server has not closed it meanwhile. A new one is logged in here, so
// that a wrong password or an unreachable server is reported at logon.
// Without a sign-in nothing is sent, not even over a connection kept from
// before one signed out.
CMailOutcome CSmtpTransport::Logon() {
    if (m_settings.m_eAuth == CMailSettings::Auth::OAuth2 &&
        m_settings.m_refreshToken.strToken.isEmpty())
        return CMailOutcome::Failure(MapiResult::NotSignedIn, CORVANE_STEP_TOKEN,
                                     "not signed in: sign in in Mail Settings");
    m_pConnection = CIdleConnection::Take(ConnectionKey());
    m_bKept = m_pConnection && m_pConnection->IsQuiet();
    return m_bKept ? CMailOutcome() : Connect();
}

CMailOutcome CSmtpTransport::Connect() {
    m_pConnection = std::make_unique<CSmtpConnection>();
    m_bKept = false;
    if (m_settings.m_eAuth == CMailSettings::Auth::Password)
        return m_pConnection->Open(m_settings);
    return ConnectWithToken();
}

// A kept token that the server refuses (its user revoked it, say) is
// renewed once; a renewed one that is refused is the answer.
CMailOutcome CSmtpTransport::ConnectWithToken() {
    CAccessToken::Outcome token = CAccessToken::Get(m_settings);
    if (!token.outcome.Succeeded())
        return token.outcome;
    CMailOutcome outcome = m_pConnection->Open(m_settings, token.strToken);
    if (outcome.eStep != CORVANE_STEP_LOGIN || outcome.nResult != MapiResult::LoginDenied ||
        token.bRenewed)
        return outcome;
    CAccessToken::Forget();
    token = CAccessToken::Get(m_settings);
    if (!token.outcome.Succeeded())
        return token.outcome;
    m_pConnection = std::make_unique<CSmtpConnection>();
    return m_pConnection->Open(m_settings, token.strToken);
}

CIdleConnection::Key CSmtpTransport::ConnectionKey() const {
    return {m_settings.m_strServer, m_settings.m_strUser, m_settings.m_strPassword,
            m_settings.m_strCaFile, m_settings.m_refreshToken.strToken.toStdString()};
}

CMailOutcome CSmtpTransport::Deliver(const std::string& strSender, const std::string& strRecipient,
                                     const std::string& strMessage) {
    if (!m_pConnection->IsQuiet()) {
        if (CMailOutcome logon = Connect(); !logon.Succeeded())
            return logon;
    }
    CMailOutcome outcome =
        CSmtpMailTransaction::Send(*m_pConnection, strSender, strRecipient, strMessage);
    if (ServerGaveUpKeptConnection(outcome)) {
        if (CMailOutcome logon = Connect(); !logon.Succeeded())
            return logon;
        outcome = CSmtpMailTransaction::Send(*m_pConnection, strSender, strRecipient, strMessage);
    }
    m_bKept = m_pConnection->IsUsable();
    return outcome;
}

// The server took nothing of the mail: it answered MAIL with 421, or closed
// the connection before any reply.
bool CSmtpTransport::ServerGaveUpKeptConnection(const CMailOutcome& outcome) const {
    if (!m_bKept || outcome.eStep != CORVANE_STEP_MAIL)
        return false;
    return outcome.nReplyCode == kServiceClosing ||
           (outcome.nReplyCode == 0 && m_pConnection->BrokenBy() == CSmtpConnection::Break::Closed);
}
