#include "views/CRowMailReader.h"

#include "views/Globals.h"
#include "engine/merge/CMailTemplate.h"
#include "engine/text/TrimWhiteSpace.h"
#include "platform/ui/CListCtrl.h"
#include "store/CAddressDatabase.h"
#include "views/CSendMessageCapture.h"

namespace {

// Columns of the table row, in field order; MY_1 to MY_5 follow one another.
enum Column : int { ColDate = 1, ColEMail, ColPrefix, ColName, ColTemplate, ColMy1 };

CMailRow RowOf(CListCtrl& list, int nItem) {
    CMailRow row;
    row.m_strDate = list.GetItemText(nItem, ColDate);
    row.m_strEMail = list.GetItemText(nItem, ColEMail);
    row.m_strPrefix = list.GetItemText(nItem, ColPrefix);
    row.m_strName = list.GetItemText(nItem, ColName);
    row.m_strTemplate = list.GetItemText(nItem, ColTemplate);
    for (int i = 0; i < int(row.m_arrMy.size()); ++i)
        row.m_arrMy[i] = list.GetItemText(nItem, ColMy1 + i);
    return row;
}

} // namespace

CRowMail CRowMailReader::Read(CAddressDatabase& db, CListCtrl& list, int nItem) {
    const CMailRow row = RowOf(list, nItem);
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
