#include "mapi32/CMapiSession.h"

#include "mapi32/CMailComposer.h"
#include "mapi32/CMailRequest.h"
#include "mapi32/COutboxTransport.h"
#include "mapi32/CSmtpTransport.h"

namespace {

// What is wrong with a message, by the result code that says it.
CMailOutcome MessageFailure(ULONG nResult) {
    const char* pText = "the message cannot be made";
    switch (nResult) {
    case MAPI_E_INVALID_MESSAGE:
        pText = "no message, or a text of it is not UTF-8";
        break;
    case MAPI_E_INVALID_RECIPS:
        pText = "the recipient is not one plain address";
        break;
    case MAPI_E_TOO_MANY_RECIPIENTS:
        pText = "more than one recipient";
        break;
    case MAPI_E_BAD_RECIPTYPE:
        pText = "the recipient is not a To";
        break;
    case MAPI_E_ATTACHMENT_NOT_FOUND:
        pText = "an attachment is missing";
        break;
    case MAPI_E_ATTACHMENT_OPEN_FAILURE:
        pText = "an attachment cannot be read";
        break;
    default:
        break;
    }
    return CMailOutcome::Failure(nResult, CORVANE_STEP_MESSAGE, pText);
}

} // namespace

CMailOutcome CMapiSession::Logon() {
    if (const ULONG nResult = m_settings.Read(); nResult != SUCCESS_SUCCESS)
        return CMailOutcome::Failure(nResult, CORVANE_STEP_SETTINGS,
                                     "the mail settings are missing or invalid");
    if (m_settings.m_eTransport == CMailSettings::Transport::Outbox)
        m_pTransport = std::make_unique<COutboxTransport>(m_settings.m_strOutbox);
    else
        m_pTransport = std::make_unique<CSmtpTransport>(m_settings);
    return m_pTransport->Logon();
}

CMailOutcome CMapiSession::SendMail(const MapiMessage* pMessage) {
    CMailRequest request;
    if (const ULONG nResult = request.Read(pMessage); nResult != SUCCESS_SUCCESS)
        return MessageFailure(nResult);
    std::string strMessage;
    std::string strMessageId;
    if (const ULONG nResult = CMailComposer::Compose(request, m_settings, strMessage, strMessageId);
        nResult != SUCCESS_SUCCESS)
        return MessageFailure(nResult);
    CMailOutcome outcome = m_pTransport->Deliver(m_settings.m_strSenderAddress,
                                                 request.m_strRecipientAddress, strMessage);
    if (outcome.Succeeded())
        m_strSentMessageId = std::move(strMessageId);
    return outcome;
}
