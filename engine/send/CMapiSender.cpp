#include "engine/send/CMapiSender.h"

#include "engine/merge/CMarkdownRenderer.h"
#include "engine/send/CMapiMessage.h"
#include "platform/settings/CProfileSettings.h"

#include <QDir>
#include <QFile>

CMapiSender::CMapiSender(std::function<void(const QString&)> onMissingAttachment)
    : m_onMissingAttachment(std::move(onMissingAttachment)) {}

CMapiSender::~CMapiSender() {
    Unload();
}

CSendResult CMapiSender::Send(const CMergedMail& mail) {
    if (!mail.m_bMarkdown)
        return SendTo(QString(), mail);
    if (!m_pRenderer)
        m_pRenderer = std::make_unique<CMarkdownRenderer>(QDir::currentPath());
    const CHtmlMail html = m_pRenderer->Render(mail);
    CSendResult result = SendTo(QString(), mail, &html);
    result.arrImageProblems = html.m_problems;
    return result;
}

bool CMapiSender::IsMailOn() {
    return CProfileSettings::GetProfileInt(CProfileSettings::kSectionMail,
                                           CProfileSettings::kKeyMapi, 0) != 0;
}

// The steps of one mail, as the Simple MAPI transport takes them. A library
// without the needed functions is unloaded at once; one that fails later
// stays loaded until the next mail.
CSendResult CMapiSender::SendTo(const QString& strName, const CMergedMail& mail,
                                const CHtmlMail* pHtml) {
    Unload();
    const QString strLibrary = IsMailOn() ? CMapiLibrary::Find() : QString();
    if (strLibrary.isEmpty())
        return CSendResult::Failed(CSendResult::Stage::NotInstalled);
    {
        const std::lock_guard lock(m_mutex);
        if (!m_library.Load(strLibrary))
            return CSendResult::Failed(CSendResult::Stage::NotLoaded);
        if (!m_library.ResolveFunctions()) {
            m_library.Unload();
            return CSendResult::Failed(CSendResult::Stage::FunctionMissing);
        }
    }
    return SendLoaded(strName, mail, pHtml);
}

// A failed send still closes its logon. The Message-ID is asked for while
// the session that sent the mail is open.
CSendResult CMapiSender::SendLoaded(const QString& strName, const CMergedMail& mail,
                                    const CHtmlMail* pHtml) {
    LHANDLE hSession = 0;
    const ULONG nLogon = m_library.m_pfnLogon(0, nullptr, nullptr, 0, 0, &hSession);
    if (nLogon != SUCCESS_SUCCESS)
        return Failure(CSendResult::Stage::Logon, nLogon);

    CSendResult result;
    CMapiMessage message(strName, mail.m_strEMail, mail.m_strSubject, mail.m_strBody,
                         AttachableFiles(mail.m_strAttachments, result));
    const ULONG nSend = Deliver(hSession, message, pHtml);
    if (nSend != SUCCESS_SUCCESS) {
        CSendResult failure = Failure(CSendResult::Stage::Send, nSend);
        failure.arrMissingAttachments = result.arrMissingAttachments;
        m_library.m_pfnLogoff(hSession, 0, 0, 0);
        return failure;
    }
    result.strMessageId = m_library.SentMessageId(hSession);

    const ULONG nLogoff = m_library.m_pfnLogoff(hSession, 0, 0, 0);
    if (nLogoff != SUCCESS_SUCCESS) {
        CSendResult failure = Failure(CSendResult::Stage::Logoff, nLogoff);
        failure.arrMissingAttachments = result.arrMissingAttachments;
        failure.strMessageId = result.strMessageId;
        return failure;
    }
    return result;
}

ULONG CMapiSender::Deliver(LHANDLE hSession, CMapiMessage& message, const CHtmlMail* pHtml) const {
    if (!pHtml)
        return m_library.m_pfnSendMail(hSession, 0, message.Get(), 0, 0);
    if (!m_library.m_pfnSendHtmlMail)
        return MAPI_E_NOT_SUPPORTED;
    message.SetHtml(*pHtml);
    return m_library.m_pfnSendHtmlMail(hSession, 0, message.Get(), message.Html(), 0, 0);
}

// The paths of the attachment list that can be opened (from the current
// folder, as the library opens them), in the list's order; one that cannot
// is noted in the result and left out, so the mail still goes without it.
QStringList CMapiSender::AttachableFiles(const QString& strAttachments, CSendResult& result) const {
    QStringList arrKept;
    for (const QString& strPath : CMergedMail::SplitAttachments(strAttachments)) {
        QFile file(strPath);
        if (!strPath.isEmpty() && file.open(QIODevice::ReadOnly)) {
            arrKept += strPath;
            continue;
        }
        result.arrMissingAttachments += strPath;
        if (m_onMissingAttachment)
            m_onMissingAttachment(strPath);
    }
    return arrKept;
}

CSendResult CMapiSender::Failure(CSendResult::Stage stage, ULONG nCode) const {
    CSendResult result = CSendResult::Failed(stage, int(nCode));
    m_library.DescribeLastCall(result);
    return result;
}

void CMapiSender::Abort() {
    const std::lock_guard lock(m_mutex);
    m_library.AbortCalls();
}

void CMapiSender::Unload() {
    const std::lock_guard lock(m_mutex);
    m_library.Unload();
}
