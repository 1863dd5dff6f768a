#include "mapi32/CMapiSession.h"

#include "mapi32/CMailComposer.h"
#include "mapi32/CMailRequest.h"
#include "mapi32/COutboxTransport.h"
#include "mapi32/CSmtpTransport.h"

ULONG CMapiSession::Logon() {
    if (const ULONG nResult = m_settings.Read(); nResult != SUCCESS_SUCCESS)
        return nResult;
    if (m_settings.m_eTransport == CMailSettings::Transport::Outbox)
        m_pTransport = std::make_unique<COutboxTransport>(m_settings.m_strOutbox);
    else
        m_pTransport = std::make_unique<CSmtpTransport>(m_settings);
    return m_pTransport->Logon();
}

ULONG CMapiSession::SendMail(const MapiMessage* pMessage, const CorvaneHtmlBody* pHtml) {
    CMailRequest request;
    if (const ULONG nResult = request.Read(pMessage, pHtml); nResult != SUCCESS_SUCCESS)
        return nResult;
    std::string strMessage;
    std::string strMessageId;
    if (const ULONG nResult = CMailComposer::Compose(request, m_settings, strMessage, strMessageId);
        nResult != SUCCESS_SUCCESS)
        return nResult;
    const ULONG nResult = m_pTransport->Deliver(m_settings.m_strSenderAddress,
                                                request.m_strRecipientAddress, strMessage);
    if (nResult == SUCCESS_SUCCESS)
        m_strSentMessageId = std::move(strMessageId);
    return nResult;
}
