#include "engine/merge/CMailTemplate.h"
#include "merge/MailRowOf.h"
#include "platform/ui/CListCtrl.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"

#include <QDir>

void CAddressDatabase::AssembleMail(CListCtrl& list, int nItem, QString* pPreview, bool bSend,
                                    const QString& strStartDir) {
    // The mail library opens the attachments from the current folder.
    QDir::setCurrent(strStartDir);
    const std::optional<CMergedMail> mail = MergeMail(list, nItem, strStartDir);
    if (!mail) {
        AfxMessageBox(CMailTemplate::CannotOpenText(MailRowOf(list, nItem).m_strTemplate));
        return;
    }
    if (pPreview)
        *pPreview = mail->PreviewBlock();
    if (bSend)
        SendMapiMail(QString(), mail->m_strEMail, mail->m_strSubject, mail->m_strBody,
                     mail->m_strAttachments);
}

std::optional<CMergedMail> CAddressDatabase::MergeMail(CListCtrl& list, int nItem,
                                                       const QString& strStartDir) {
    const CMailRow row = MailRowOf(list, nItem);
    const QString strToday = CMailTemplate::Today();
    const std::optional<QByteArray> bytes = CMailTemplate::ReadFile(strStartDir, row.m_strTemplate);
    if (!bytes)
        return std::nullopt;
    return CMailTemplate::Merge(row, *bytes, strToday);
}

