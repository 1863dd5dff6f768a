#include "views/CRowMailReader.h"

#include "merge/TrimWhiteSpace.h"
#include "platform/ui/CListCtrl.h"
#include "store/CAddressDatabase.h"
#include "views/CSendMessageCapture.h"

namespace {

constexpr int kEMailColumn = 2;
constexpr int kNameColumn = 4;
constexpr int kTemplateColumn = 5;

// The preview block's parts between their labels. Subject and attachment
// list are single lines, each followed by a blank and a line feed; the body
// runs from the two empty lines after the attachments to the block's end.
const QString kSubjectLabel = QStringLiteral(" \nSubject:\t\t\t");
const QString kAttachmentsLabel = QStringLiteral(" \nAttachments:\t");
const QString kBodyStart = QStringLiteral(" \n\n\n");

QString Between(const QString& strBlock, const QString& strFrom, const QString& strTo,
                qsizetype* pEnd) {
    const qsizetype nFrom = strBlock.indexOf(strFrom, *pEnd);
    if (nFrom < 0)
        return QString();
    const qsizetype nStart = nFrom + strFrom.size();
    const qsizetype nTo = strBlock.indexOf(strTo, nStart);
    *pEnd = nTo < 0 ? strBlock.size() : nTo;
    return strBlock.mid(nStart, *pEnd - nStart);
}

} // namespace

CRowMail CRowMailReader::Read(CAddressDatabase& db, CListCtrl& list, int nItem) {
    CRowMail mail;
    mail.nItem = nItem;
    mail.strEMail = TrimWhiteSpace(list.GetItemText(nItem, kEMailColumn));
    mail.strName = list.GetItemText(nItem, kNameColumn);
    mail.strTemplate = list.GetItemText(nItem, kTemplateColumn);

    QString strBlock;
    {
        CSendMessageCapture capture(false);
        db.AssembleMail(list, nItem, &strBlock, false);
        mail.strAssemblyMessage = capture.Texts().join(u'\n');
    }
    mail.bTemplateOpened = !strBlock.isEmpty();
    if (!mail.bTemplateOpened)
        return mail;
    qsizetype nEnd = 0;
    mail.strSubject = Between(strBlock, kSubjectLabel, kAttachmentsLabel, &nEnd);
    mail.strAttachments = Between(strBlock, kAttachmentsLabel, kBodyStart, &nEnd);
    const qsizetype nBody = nEnd + kBodyStart.size();
    mail.strBody = strBlock.mid(nBody, strBlock.size() - kBodyStart.size() - nBody);
    return mail;
}
