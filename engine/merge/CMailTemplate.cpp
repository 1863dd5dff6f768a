#include "engine/merge/CMailTemplate.h"

#include "engine/merge/CTemplateDecoder.h"
#include "engine/text/TrimWhiteSpace.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>

namespace {

const QString kSubjectKeyword = QStringLiteral("#SUBJECT");
const QString kAttachmentsKeyword = QStringLiteral("#ATTACHMENTS");

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

// Each placeholder in one pass, in this order: a value that holds a later
// placeholder word (a name with "#MY_1" in it) has that word filled too.
void FillPlaceholders(QString& strText, const CMailRow& row, const QString& strToday) {
    strText.replace(QStringLiteral("#TODAY"), strToday);
    strText.replace(QStringLiteral("#DATE"), row.m_strDate);
    strText.replace(QStringLiteral("#PREFIX"), row.m_strPrefix);
    strText.replace(QStringLiteral("#NAME"), row.m_strName);
    for (int i = 0; i < int(row.m_arrMy.size()); ++i)
        strText.replace(QStringLiteral("#MY_%1").arg(i + 1), row.m_arrMy[i]);
}

} // namespace

std::optional<QByteArray> CMailTemplate::ReadFile(const QString& strStartDir,
                                                  const QString& strName) {
    if (strName.isEmpty())
        return std::nullopt;
    QFile file(QDir(strStartDir).filePath(strName));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // A small template costs a small buffer; a file whose size is unknown
    // (zero) gets the whole allowance.
    const qint64 nSize = file.size();
    QByteArray bytes(nSize > 0 ? qMin<qint64>(nSize, kByteLimit) + 1 : kByteLimit + 1,
                     Qt::Uninitialized);
    const qint64 nRead = file.read(bytes.data(), bytes.size());
    if (nRead < 0)
        return std::nullopt;
    bytes.truncate(nRead);
    return bytes;
}

QString CMailTemplate::Decode(QByteArrayView bytes) {
    const bool bLonger = bytes.size() > kByteLimit;
    QByteArrayView text = bytes.first(qMin(bytes.size(), kByteLimit));
    const qsizetype nZero = text.indexOf('\0');
    if (nZero >= 0)
        text = text.first(nZero);
    return CTemplateDecoder::Decode(text, nZero < 0 && bLonger);
}

CMergedMail CMailTemplate::Merge(const CMailRow& row, QByteArrayView bytes,
                                 const QString& strToday) {
    QString strText = Decode(bytes);
    FillPlaceholders(strText, row, strToday);
    CMergedMail mail;
    // The subject line first: the attachment keyword is looked for in what
    // remains of the text.
    mail.m_strSubject = TrimWhiteSpace(CutSubject(strText));
    mail.m_strAttachments = CutAttachments(strText);
    mail.m_strEMail = TrimWhiteSpace(row.m_strEMail);
    mail.m_strBody = TrimWhiteSpace(strText);
    return mail;
}

QString CMailTemplate::CannotOpenText(const QString& strName) {
    return QStringLiteral("Can not open a template file \"%1\"").arg(strName);
}

QString CMailTemplate::Today() {
    return QLocale::c().toString(QDate::currentDate(), QStringLiteral("MM/dd/yy"));
}
