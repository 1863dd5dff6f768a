// A Markdown template filled with a row and rendered. The input is the
// template's bytes, then, after a zero byte, the row's cells separated by zero
// bytes: Date, EMail, Prefix, Name, MY_1 to MY_5. Whatever the values hold,
// the HTML has the same elements, in the same order, as for harmless values
// with the same line breaks: a value adds no markup, link or image. (Images
// are left out of the comparison: whether one is placed depends on the
// address a value gives it, not on markup.)

#include "engine/merge/CMailTemplate.h"
#include "engine/merge/CMarkdownRenderer.h"

#include <QList>
#include <QRegularExpression>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Require(bool bHolds, const char* pWhat, const QString& strHtml) {
    if (!bHolds) {
        fprintf(stderr, "broken invariant: %s\n%s\n", pWhat, qPrintable(strHtml));
        abort();
    }
}

QString Harmless(QString strValue) {
    for (QChar& ch : strValue) {
        if (ch != u'\n' && ch != u'\r')
            ch = u'x';
    }
    return strValue;
}

CMailRow RowOf(const QList<QByteArray>& parts, bool bHarmless) {
    const auto cell = [&parts, bHarmless](qsizetype i) {
        const QString strValue = i < parts.size() ? QString::fromUtf8(parts[i]) : QString();
        return bHarmless ? Harmless(strValue) : strValue;
    };
    CMailRow row;
    row.m_strDate = cell(1);
    row.m_strEMail = cell(2);
    row.m_strPrefix = cell(3);
    row.m_strName = cell(4);
    row.m_strTemplate = QStringLiteral("fuzz.md");
    for (qsizetype i = 0; i < qsizetype(row.m_arrMy.size()); ++i)
        row.m_arrMy[i] = cell(5 + i);
    return row;
}

QStringList Elements(const QString& strHtml) {
    static const QRegularExpression tag(QStringLiteral("<(/?[A-Za-z][A-Za-z0-9]*)"));
    QStringList arrNames;
    for (const QRegularExpressionMatch& match : tag.globalMatch(strHtml)) {
        if (match.captured(1) != u"img")
            arrNames << match.captured(1);
    }
    return arrNames;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const QByteArray input(reinterpret_cast<const char*>(pData), qsizetype(nSize));
    const QList<QByteArray> parts = input.split('\0');
    CMarkdownRenderer renderer(QStringLiteral("/nonexistent/corvane-fuzz"));
    const QString strToday = QStringLiteral("12/07/26");
    const CMergedMail mail = CMailTemplate::Merge(RowOf(parts, false), parts.first(), strToday);
    const CMergedMail harmless = CMailTemplate::Merge(RowOf(parts, true), parts.first(), strToday);
    Require(mail.m_bMarkdown, "a .md template is not Markdown", QString());
    Require(!mail.m_strSubject.contains(u'\n'), "the subject has a line break", mail.m_strSubject);

    const QString strHtml = renderer.Render(mail).m_strHtml;
    const QString strHarmless = renderer.Render(harmless).m_strHtml;
    Require(Elements(strHtml) == Elements(strHarmless), "a value changed the elements",
            strHtml + u"\n----\n" + strHarmless);
    return 0;
}
