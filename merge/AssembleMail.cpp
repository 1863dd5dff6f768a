#include "app/Globals.h"
#include "merge/CTemplateDecoder.h"
#include "merge/TrimWhiteSpace.h"
#include "platform/ui/CListCtrl.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <array>
#include <optional>

namespace {

// A template contributes at most this many bytes.
constexpr qsizetype kTemplateLimit = 100000;

// Columns of the table row, in field order; MY_1 to MY_5 follow one another.
enum Column : int {
    ColDate = 1,
    ColEMail,
    ColPrefix,
    ColName,
    ColTemplate,
    ColMy1,
    ColEnd = ColMy1 + 5
};

const QString kSubjectKeyword = QStringLiteral("#SUBJECT");
const QString kAttachmentsKeyword = QStringLiteral("#ATTACHMENTS");

// The date in the form "%x" has in the C locale (12/07/26), whatever locale
// the user runs the program in.
QString TodayText() {
    return QLocale::c().toString(QDate::currentDate(), QStringLiteral("MM/dd/yy"));
}

// The text of a template file: its first bytes up to the limit, ending at the
// first zero byte. Nothing when the file cannot be opened or read.
std::optional<QString> ReadTemplate(const QString& strName) {
    QFile file(strName);
    if (strName.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes(kTemplateLimit, Qt::Uninitialized);
    const qint64 nRead = file.read(bytes.data(), kTemplateLimit);
    const bool bLonger = file.size() > kTemplateLimit;
    file.close();
    if (nRead < 0)
        return std::nullopt;
    bytes.truncate(nRead);
    const qsizetype nZero = bytes.indexOf('\0');
    if (nZero >= 0)
        bytes.truncate(nZero);
    return CTemplateDecoder::Decode(bytes, nZero < 0 && bLonger);
}

// The position after the one separator character that follows a keyword; a
// character outside the Basic Multilingual Plane counts as one.
qsizetype AfterSeparator(const QString& strText, qsizetype nKeywordEnd) {
    if (nKeywordEnd + 1 < strText.size() && strText[nKeywordEnd].isHighSurrogate() &&
        strText[nKeywordEnd + 1].isLowSurrogate())
        return nKeywordEnd + 2;
    return nKeywordEnd + 1;
}

// The characters from nFrom up to, not including, nTo; empty when there are
// none.
QString Slice(const QString& strText, qsizetype nFrom, qsizetype nTo) {
    if (nFrom >= nTo || nFrom >= strText.size())
        return QString();
    return strText.sliced(nFrom, qMin(nTo, strText.size()) - nFrom);
}

// Takes the subject line out of the text. The line feed that ended it stays in
// the text, so a subject line in the middle leaves an empty line behind.
QString CutSubject(QString& strText) {
    const qsizetype nKeyword = strText.indexOf(kSubjectKeyword);
    if (nKeyword < 0)
        return QString();
    const qsizetype nValue = AfterSeparator(strText, nKeyword + kSubjectKeyword.size());
    const qsizetype nLineFeed = strText.indexOf(u'\n', nKeyword);
    if (nLineFeed < 0) {
        const QString strSubject = Slice(strText, nValue, strText.size());
        strText.truncate(nKeyword);
        return strSubject;
    }
    const QString strSubject = Slice(strText, nValue, nLineFeed + 1);
    strText.remove(nKeyword, nLineFeed - nKeyword);
    return strSubject;
}

// Takes the attachment line out of the text, its line feed included. The line's
// carriage return is left out of the list; with a bare line feed the list
// keeps every character.
QString CutAttachments(QString& strText) {
    const qsizetype nKeyword = strText.indexOf(kAttachmentsKeyword);
    if (nKeyword < 0)
        return QString();
    const qsizetype nValue = AfterSeparator(strText, nKeyword + kAttachmentsKeyword.size());
    const qsizetype nLineFeed = strText.indexOf(u'\n', nKeyword);
    if (nLineFeed < 0) {
        const QString strList = Slice(strText, nValue, strText.size());
        strText.truncate(nKeyword);
        return strList;
    }
    const bool bCarriageReturn = nLineFeed > 0 && strText[nLineFeed - 1] == u'\r';
    const QString strList = Slice(strText, nValue, bCarriageReturn ? nLineFeed - 1 : nLineFeed);
    strText.remove(nKeyword, nLineFeed - nKeyword + 1);
    return strList;
}

QString PreviewBlock(const QString& strEMail, const QString& strSubject,
                     const QString& strAttachments, const QString& strBody) {
    const QString strHeader =
        QStringLiteral("================= %1 =================").arg(strEMail);
    return QStringLiteral(
               "%1 \n\nTo:\t\t\t\t\t%2 \nSubject:\t\t\t%3 \nAttachments:\t%4 \n\n\n%5 \n\n\n")
        .arg(strHeader, strEMail, strSubject, strAttachments, strBody);
}

} // namespace

void CAddressDatabase::AssembleMail(CListCtrl& list, int nItem, QString* pPreview, bool bSend) {
    std::array<QString, ColEnd> arrCells;
    for (int nColumn = ColDate; nColumn < ColEnd; ++nColumn)
        arrCells[nColumn] = list.GetItemText(nItem, nColumn);
    const QString strToday = TodayText();

    QDir::setCurrent(g_strStartDir);
    std::optional<QString> text = ReadTemplate(arrCells[ColTemplate]);
    if (!text) {
        AfxMessageBox(
            QStringLiteral("Can not open a template file \"%1\"").arg(arrCells[ColTemplate]));
        return;
    }
    QString& strText = *text;

    // Each placeholder in one pass, in this order: a value that holds a later
    // placeholder word (a name with "#MY_1" in it) has that word filled too.
    strText.replace(QStringLiteral("#TODAY"), strToday);
    strText.replace(QStringLiteral("#DATE"), arrCells[ColDate]);
    strText.replace(QStringLiteral("#PREFIX"), arrCells[ColPrefix]);
    strText.replace(QStringLiteral("#NAME"), arrCells[ColName]);
    for (int i = 0; i < 5; ++i)
        strText.replace(QStringLiteral("#MY_%1").arg(i + 1), arrCells[ColMy1 + i]);

    // The subject line first: the attachment keyword is looked for in what
    // remains of the text.
    const QString strSubject = TrimWhiteSpace(CutSubject(strText));
    const QString strAttachments = CutAttachments(strText);
    const QString strEMail = TrimWhiteSpace(arrCells[ColEMail]);
    const QString strBody = TrimWhiteSpace(strText);

    if (pPreview)
        *pPreview = PreviewBlock(strEMail, strSubject, strAttachments, strBody);
    if (bSend)
        SendMapiMail(QString(), strEMail, strSubject, strBody, strAttachments);
}
