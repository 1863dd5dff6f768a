#include "mapi32/CSmtpTransport.h"

#include "mapi32/CMailSettings.h"
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
CMailOutcome CSmtpTransport::Logon() {
    m_pConnection = CIdleConnection::Take(ConnectionKey());
    m_bKept = m_pConnection && m_pConnection->IsQuiet();
    return m_bKept ? CMailOutcome() : Connect();
}

CMailOutcome CSmtpTransport::Connect() {
    m_pConnection = std::make_unique<CSmtpConnection>();
    m_bKept = false;
    return m_pConnection->Open(m_settings);
}

CIdleConnection::Key CSmtpTransport::ConnectionKey() const {
    return {m_settings.m_strServer, m_settings.m_strUser, m_settings.m_strPassword,
            m_settings.m_strCaFile};
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
