#include "engine/merge/CMailTemplate.h"
#include "engine/merge/CMarkdownRenderer.h"
#include "engine/merge/ImageProblemText.h"
#include "merge/MailRowOf.h"
#include "platform/ui/CListCtrl.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"

#include <QDir>

namespace {

// A formatted mail goes without an image only when the user says so, once
// for each image.
bool SendWithoutImages(const QList<CHtmlMail::Problem>& problems) {
    for (const CHtmlMail::Problem& problem : problems) {
        if (AfxMessageBox(ImageProblemText(problem) + QStringLiteral("\nSend the mail without it?"),
                          MB_YESNO) != IDYES)
            return false;
    }
    return true;
}

} // namespace

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
    if (!bSend)
        return;
    if (!mail->m_bMarkdown) {
        SendMapiMail(QString(), mail->m_strEMail, mail->m_strSubject, mail->m_strBody,
                     mail->m_strAttachments);
        return;
    }
    const CHtmlMail html = CMarkdownRenderer(strStartDir).Render(*mail);
    if (SendWithoutImages(html.m_problems))
        SendMapiMail(QString(), mail->m_strEMail, mail->m_strSubject, mail->m_strBody,
                     mail->m_strAttachments, html, nullptr);
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
