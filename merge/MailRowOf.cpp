#include "merge/MailRowOf.h"

#include "platform/ui/CListCtrl.h"

namespace {

// Columns of the table row, in field order; MY_1 to MY_5 follow one another.
enum Column : int { ColDate = 1, ColEMail, ColPrefix, ColName, ColTemplate, ColMy1 };

} // namespace

CMailRow MailRowOf(CListCtrl& list, int nItem) {
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
