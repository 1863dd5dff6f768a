#include "engine/merge/CMailTemplate.h"

#include "engine/merge/CPlaceholders.h"
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

// A run of line breaks as one blank: a value's line breaks must not make a
// subject of several lines.
QString OneLine(const QString& strText) {
    QString strLine;
    strLine.reserve(strText.size());
    for (const QChar ch : strText) {
        const bool bBreak = ch == u'\r' || ch == u'\n';
        if (!bBreak)
            strLine += ch;
        else if (!strLine.endsWith(u'\n'))
            strLine += u'\n';
    }
    return strLine.replace(u'\n', u' ');
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
    const CPlaceholders values(row, strToday);
    if (IsMarkdown(row.m_strTemplate))
        return MergeMarkdown(row, Decode(bytes), values);
    QString strText = values.FillInSequence(Decode(bytes));
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

// The keyword lines are cut from the template as written, and the values
// filled in afterwards, each in one pass: a value is text, so it can neither
// start a subject or attachment line nor fill another placeholder. The body
// keeps its Markdown unfilled as well, for the renderer to fill once it has
// parsed it.
CMergedMail CMailTemplate::MergeMarkdown(const CMailRow& row, QString strText,
                                         const CPlaceholders& values) {
    CMergedMail mail;
    mail.m_strSubject = TrimWhiteSpace(OneLine(values.Fill(CutSubject(strText))));
    mail.m_strAttachments = values.Fill(CutAttachments(strText));
    mail.m_strEMail = TrimWhiteSpace(row.m_strEMail);
    mail.m_strBody = TrimWhiteSpace(values.Fill(strText));
    mail.m_bMarkdown = true;
    mail.m_strMarkdown = TrimWhiteSpace(strText);
    mail.m_placeholders = values;
    return mail;
}

bool CMailTemplate::IsMarkdown(const QString& strTemplate) {
    return strTemplate.endsWith(QLatin1String(".md"), Qt::CaseInsensitive);
}

QString CMailTemplate::Today() {
    return QLocale::c().toString(QDate::currentDate(), QStringLiteral("MM/dd/yy"));
}
