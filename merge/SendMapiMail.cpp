#include "engine/merge/CHtmlMail.h"
#include "engine/send/CMapiSender.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"

namespace {

// The engine's sender does the work; the messages are drawn from how it went,
// each where the transport always showed it: an attachment's warning after
// the logon and before the send, a failure in a plain box with no owner and
// no caption while the library is still loaded.
bool SendOneMail(const QString& strName, CMergedMail mail, const CHtmlMail* pHtml,
                 QString* pMessageId) {
    CMapiSender sender(
        [](const QString& strPath) { AfxMessageBox(CSendResult::MissingAttachmentText(strPath)); });
    const CSendResult result = sender.SendTo(strName, mail, pHtml);
    if (pMessageId)
        *pMessageId = result.strMessageId;
    if (const QString strFailure = result.BoxText(); !strFailure.isEmpty())
        MessageBoxA(nullptr, strFailure, QString(), MB_OK);
    return result.stage == CSendResult::Stage::Sent;
}

CMergedMail MailOf(QString strAddress, QString strSubject, QString strText,
                   QString strAttachments) {
    CMergedMail mail;
    mail.m_strEMail = std::move(strAddress);
    mail.m_strSubject = std::move(strSubject);
    mail.m_strBody = std::move(strText);
    mail.m_strAttachments = std::move(strAttachments);
    return mail;
}

} // namespace

bool CAddressDatabase::SendMapiMail(QString strName, QString strAddress, QString strSubject,
                                    QString strText, QString strAttachments) {
    return SendMapiMail(std::move(strName), std::move(strAddress), std::move(strSubject),
                        std::move(strText), std::move(strAttachments), nullptr);
}

bool CAddressDatabase::SendMapiMail(QString strName, QString strAddress, QString strSubject,
                                    QString strText, QString strAttachments, QString* pMessageId) {
    return SendOneMail(strName,
                       MailOf(std::move(strAddress), std::move(strSubject), std::move(strText),
                              std::move(strAttachments)),
                       nullptr, pMessageId);
}

bool CAddressDatabase::SendMapiMail(QString strName, QString strAddress, QString strSubject,
                                    QString strText, QString strAttachments, const CHtmlMail& html,
                                    QString* pMessageId) {
    return SendOneMail(strName,
                       MailOf(std::move(strAddress), std::move(strSubject), std::move(strText),
                              std::move(strAttachments)),
                       &html, pMessageId);
}
