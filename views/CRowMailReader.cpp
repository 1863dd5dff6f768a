#include "views/CRowMailReader.h"

#include "engine/merge/CMailTemplate.h"
#include "engine/text/TrimWhiteSpace.h"
#include "merge/MailRowOf.h"
#include "platform/ui/CListCtrl.h"
#include "store/CAddressDatabase.h"
#include "views/CSendMessageCapture.h"
#include "views/Globals.h"

CRowMail CRowMailReader::Read(CAddressDatabase& db, CListCtrl& list, int nItem) {
    const CMailRow row = MailRowOf(list, nItem);
    CRowMail mail;
    mail.nItem = nItem;
    mail.strEMail = TrimWhiteSpace(row.m_strEMail);
    mail.strName = row.m_strName;
    mail.strTemplate = row.m_strTemplate;
    const std::optional<QByteArray> bytes =
        CMailTemplate::ReadFile(g_strStartDir, row.m_strTemplate);
    if (!bytes) {
        // The assembly words the failure as a single send shows it.
        CSendMessageCapture capture(false);
        db.AssembleMail(list, nItem, nullptr, false);
        mail.strAssemblyMessage = capture.Texts().join(u'\n');
        return mail;
    }
    const CMergedMail merged = CMailTemplate::Merge(row, *bytes, CMailTemplate::Today());
    mail.bTemplateOpened = true;
    mail.strEMail = merged.m_strEMail;
    mail.strSubject = merged.m_strSubject;
    mail.strAttachments = merged.m_strAttachments;
    mail.strBody = merged.m_strBody;
    return mail;
}
