// Markdown templates: filled so that every value is text in both parts of the
// mail, rendered to mail-safe HTML, and their images placed or refused.

#include "engine/merge/CMailTemplate.h"
#include "engine/merge/CMarkdownRenderer.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kMarkdownName = QStringLiteral("offer.md");

CMailRow RowWithName(const QString& strName, const QString& strTemplate = kMarkdownName) {
    CMailRow row;
    row.m_strDate = QStringLiteral("11/30/26");
    row.m_strEMail = QStringLiteral("jane@example.com");
    row.m_strPrefix = QStringLiteral("Dr.");
    row.m_strName = strName;
    row.m_strTemplate = strTemplate;
    row.m_arrMy = {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three"),
                   QStringLiteral("four"), QStringLiteral("five")};
    return row;
}

CMergedMail Merge(const QByteArray& markdown, const CMailRow& row) {
    return CMailTemplate::Merge(row, markdown, QStringLiteral("12/07/26"));
}

// The element names of an HTML text in order, closing ones with their slash:
// what a value must not change.
QStringList Elements(const QString& strHtml) {
    static const QRegularExpression tag(QStringLiteral("<(/?[A-Za-z][A-Za-z0-9]*)"));
    QStringList arrNames;
    for (const QRegularExpressionMatch& match : tag.globalMatch(strHtml))
        arrNames << match.captured(1).toLower();
    return arrNames;
}

// A harmless value with the same line breaks.
QString Harmless(QString strValue) {
    for (QChar& ch : strValue) {
        if (ch != u'\n')
            ch = u'x';
    }
    return strValue;
}

} // namespace

class TestMarkdownMail : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void valuesStayText_data();
    void valuesStayText();
    void valuesFillOnlyPlaceholdersOfTheTemplate_data();
    void valuesFillOnlyPlaceholdersOfTheTemplate();
    void rendersTheTemplatesMarkdownSafely_data();
    void rendersTheTemplatesMarkdownSafely();
    void placesImagesOfTheStartFolder_data();
    void placesImagesOfTheStartFolder();
    void placesEachImageOnce();
    void rendersTheTemplateOnceForAllRows_data();
    void rendersTheTemplateOnceForAllRows();

private:
    CHtmlMail Render(const QByteArray& markdown, const CMailRow& row = RowWithName("Smith"));

    QTemporaryDir m_dir;
    QString m_strStartDir;
};

void TestMarkdownMail::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_strStartDir = m_dir.filePath(QStringLiteral("start"));
    QVERIFY(QDir().mkpath(m_strStartDir + QStringLiteral("/images")));
    QVERIFY(WriteFile(m_strStartDir + QStringLiteral("/logo.png"), "logo"));
    QVERIFY(WriteFile(m_strStartDir + QStringLiteral("/my logo.png"), "my logo"));
    QVERIFY(WriteFile(m_strStartDir + QStringLiteral("/images/seal.png"), "seal"));
    QVERIFY(WriteFile(m_dir.filePath(QStringLiteral("outside.png")), "outside"));
    QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("outside.png")),
                        m_strStartDir + QStringLiteral("/link.png")));
    QVERIFY(QFile::link(m_strStartDir + QStringLiteral("/logo.png"),
                        m_strStartDir + QStringLiteral("/images/alias.png")));
}

CHtmlMail TestMarkdownMail::Render(const QByteArray& markdown, const CMailRow& row) {
    return CMarkdownRenderer(m_strStartDir).Render(Merge(markdown, row));
}

void TestMarkdownMail::valuesStayText_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("an HTML element") << "<b>Smith</b>";
    QTest::newRow("a script") << "<script>alert(1)</script>";
    QTest::newRow("a link") << "[x](http://evil.example)";
    QTest::newRow("emphasis marks") << "**";
    QTest::newRow("strong text") << "**Smith**";
    QTest::newRow("an image of a local file") << "![](file:///etc/passwd)";
    QTest::newRow("an image of the start folder") << "![](logo.png)";
    QTest::newRow("an autolink") << "<http://evil.example>";
    QTest::newRow("a heading") << "# Smith";
    QTest::newRow("a heading on the value's second line") << "Smith\n# Heading";
    QTest::newRow("a list and a quote on later lines") << "Smith\n- item\n> quote";
    QTest::newRow("an indented line") << "Smith\n\n    code";
    QTest::newRow("a setext underline") << "Smith\n===";
    QTest::newRow("a code fence") << "```\nSmith";
    QTest::newRow("a character reference") << "AT&amp;T &#60;b&#62;";
    QTest::newRow("a backslash before a star") << "\\*Smith\\*";
    QTest::newRow("a table row") << "| a | b |";
}

// The template puts the name in a heading's place, in a paragraph, in a
// strong span, in link text and alone on a line.
void TestMarkdownMail::valuesStayText() {
    QFETCH(QString, name);
    const QByteArray markdown =
        "#SUBJECT Offer for #NAME\n"
        "Dear #NAME,\n\n"
        "**Price for #NAME:** 10 EUR, see [#NAME's offer](https://example.com).\n\n"
        "#NAME\n";
    const CMergedMail mail = Merge(markdown, RowWithName(name));
    const QString strOneLine =
        QString(name).replace(QRegularExpression(QStringLiteral("\n+")), QStringLiteral(" "));
    QCOMPARE(mail.m_strSubject, QStringLiteral("Offer for ") + strOneLine);
    QVERIFY2(mail.m_strBody.contains(QStringLiteral("Dear ") + name + u','),
             qPrintable(mail.m_strBody));

    const CHtmlMail html = CMarkdownRenderer(m_strStartDir).Render(mail);
    const CHtmlMail harmless = Render(markdown, RowWithName(Harmless(name)));
    QCOMPARE(Elements(html.m_strHtml), Elements(harmless.m_strHtml));
    QString strShown = name.toHtmlEscaped();
    strShown.replace(u'\n', QStringLiteral("<br />\n"));
    QCOMPARE(html.m_strHtml.section(QStringLiteral("<body"), 1).count(strShown), 4);
    QVERIFY(
        html.m_strHtml.contains(QStringLiteral("<title>Offer for ") + strOneLine.toHtmlEscaped()));
    QVERIFY(html.m_images.isEmpty());
    QVERIFY(html.m_problems.isEmpty());
}

void TestMarkdownMail::valuesFillOnlyPlaceholdersOfTheTemplate_data() {
    QTest::addColumn<QString>("templateName");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("attachments");
    QTest::addColumn<QString>("body");
    QTest::newRow("text: a value is filled in again and can be a keyword") << "letter.txt"
                                                                           << "Hello one"
                                                                           << "/etc/passwd"
                                                                           << "Dear one";
    const QString strBody = QStringLiteral("Dear #MY_1\n#ATTACHMENTS /etc/passwd");
    QTest::newRow("Markdown: a value is text") << "letter.md"
                                               << "Hello #MY_1"
                                               << "" << strBody;
    QTest::newRow("Markdown in capitals") << "LETTER.MD"
                                          << "Hello #MY_1"
                                          << "" << strBody;
}

// The name holds a later placeholder, MY_2 a keyword; the template's own
// placeholders are filled all the same.
void TestMarkdownMail::valuesFillOnlyPlaceholdersOfTheTemplate() {
    QFETCH(QString, templateName);
    QFETCH(QString, subject);
    QFETCH(QString, attachments);
    QFETCH(QString, body);
    CMailRow row = RowWithName(QStringLiteral("#MY_1"), templateName);
    row.m_arrMy[1] = QStringLiteral("#ATTACHMENTS /etc/passwd");
    const CMergedMail mail = Merge("#SUBJECT Hello #NAME\nDear #NAME\n#MY_2\n", row);
    QCOMPARE(mail.m_strSubject, subject);
    QCOMPARE(mail.m_strAttachments, attachments);
    QCOMPARE(mail.m_strBody, body);
}

void TestMarkdownMail::rendersTheTemplatesMarkdownSafely_data() {
    QTest::addColumn<QByteArray>("markdown");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");
    QTest::newRow("the template's own markup")
        << QByteArray("# Offer\n\n**10 EUR** for *you*, [order](https://example.com/#NAME)")
        << QStringList{"<h1>Offer</h1>", "<strong>10 EUR</strong>", "<em>you</em>",
                       "href=\"https://example.com/Smith\""}
        << QStringList();
    QTest::newRow("a line break is a line break")
        << QByteArray("Kind regards,\r\nJane") << QStringList{"Kind regards,<br />\nJane"}
        << QStringList();
    QTest::newRow("an HTML block is dropped")
        << QByteArray("<div onclick=\"x()\">\n<script>alert(1)</script>\n</div>\n\nText")
        << QStringList{"<p>Text</p>"} << QStringList{"<div", "<script", "alert", "<!--"};
    QTest::newRow("inline HTML is dropped")
        << QByteArray("a <span style=\"x\">b</span> <img src=x onerror=y> c")
        << QStringList{"a b  c"} << QStringList{"<span", "onerror", "<!--"};
    QTest::newRow("a javascript: link loses its address")
        << QByteArray("[click](javascript:alert(1))") << QStringList{"href=\"\""}
        << QStringList{"javascript"};
    QTest::newRow("a file: link loses its address")
        << QByteArray("[passwords](file:///etc/passwd)") << QStringList{"href=\"\""}
        << QStringList{"/etc/passwd"};
    QTest::newRow("a placeholder in code shows its value as written")
        << QByteArray("`#PREFIX`\n\n```\n#PREFIX\n```")
        << QStringList{"Dr.</code>", "<pre style=", "Dr.\n</code></pre>"} << QStringList{"\\"};
    QTest::newRow("a UTF-8 document, styled inline, without a style sheet")
        << QByteArray("> Grüße\n\n![logo](logo.png)")
        << QStringList{"charset=utf-8", "<body style=", "<blockquote style=", "Grüße",
                       "<img style=\"max-width: 100%"}
        << QStringList{"<style", "<link", "<script", "@import", "url("};
}

void TestMarkdownMail::rendersTheTemplatesMarkdownSafely() {
    QFETCH(QByteArray, markdown);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    const QString strHtml = Render(markdown).m_strHtml;
    for (const QString& strPart : present)
        QVERIFY2(strHtml.contains(strPart), qPrintable(strPart + u" not in " + strHtml));
    for (const QString& strPart : absent)
        QVERIFY2(!strHtml.contains(strPart), qPrintable(strPart + u" in " + strHtml));
}

void TestMarkdownMail::placesImagesOfTheStartFolder_data() {
    QTest::addColumn<QByteArray>("markdown");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("problem");
    const int nNone = -1;
    const int nMissing = int(CHtmlMail::ImageProblem::Missing);
    const int nOutside = int(CHtmlMail::ImageProblem::OutsideFolder);
    QTest::newRow("a file of the folder") << QByteArray("![logo](logo.png)") << "logo.png"
                                          << "logo.png" << nNone;
    QTest::newRow("a file of a subfolder")
        << QByteArray("![seal](images/seal.png)") << "images/seal.png"
        << "images/seal.png" << nNone;
    QTest::newRow("a link inside the folder")
        << QByteArray("![](images/alias.png)") << "images/alias.png"
        << "logo.png" << nNone;
    QTest::newRow("a percent-encoded name") << QByteArray("![](my%20logo.png)") << "my%20logo.png"
                                            << "my logo.png" << nNone;
    QTest::newRow("a name from a value") << QByteArray("![](#MY_1)") << "logo.png"
                                         << "logo.png" << nNone;
    QTest::newRow("a missing file") << QByteArray("![](nothing.png)") << "nothing.png"
                                    << "" << nMissing;
    QTest::newRow("a folder") << QByteArray("![](images)") << "images"
                              << "" << nMissing;
    QTest::newRow("no name") << QByteArray("![logo]()") << ""
                             << "" << nMissing;
    QTest::newRow("a file beside the folder")
        << QByteArray("![](../outside.png)") << "../outside.png"
        << "" << nOutside;
    QTest::newRow("a way out and back in")
        << QByteArray("![](images/../../start/logo.png)") << "images/../../start/logo.png"
        << "logo.png" << nNone;
    QTest::newRow("a link to a file outside") << QByteArray("![](link.png)") << "link.png"
                                              << "" << nOutside;
    QTest::newRow("an absolute path") << QByteArray("![](/etc/hostname)") << "/etc/hostname"
                                      << "" << nOutside;
    QTest::newRow("a file: address")
        << QByteArray("![](file:///etc/passwd)") << "file:///etc/passwd"
        << "" << nOutside;
    QTest::newRow("a data: address")
        << QByteArray("![](data:image/png;base64,AAAA)") << "data:image/png;base64,AAAA"
        << "" << nOutside;
    QTest::newRow("a name from a value that leaves the folder")
        << QByteArray("![](#MY_2)") << "../outside.png"
        << "" << nOutside;
}

// A placed image is shown from its related part; a refused one leaves its
// description, and the mail names it as a problem.
void TestMarkdownMail::placesImagesOfTheStartFolder() {
    QFETCH(QByteArray, markdown);
    QFETCH(QString, image);
    QFETCH(QString, file);
    QFETCH(int, problem);
    CMailRow row = RowWithName(QStringLiteral("Smith"));
    row.m_arrMy[0] = QStringLiteral("logo.png");
    row.m_arrMy[1] = QStringLiteral("../outside.png");
    const CHtmlMail html = Render("Before " + markdown + " after", row);
    if (problem >= 0) {
        QVERIFY(html.m_images.isEmpty());
        QCOMPARE(html.m_problems.size(), 1);
        QCOMPARE(html.m_problems[0].strImage, image);
        QCOMPARE(int(html.m_problems[0].kind), problem);
        QVERIFY2(!html.m_strHtml.contains(u"<img"), qPrintable(html.m_strHtml));
        return;
    }
    QVERIFY(html.m_problems.isEmpty());
    QCOMPARE(html.m_images.size(), 1);
    QCOMPARE(html.m_images[0].strPath, QDir(m_strStartDir).canonicalPath() + u'/' + file);
    const QString strSource = QStringLiteral("src=\"cid:") + html.m_images[0].strContentId + u'"';
    QVERIFY2(html.m_strHtml.contains(strSource), qPrintable(html.m_strHtml));
    QVERIFY(QRegularExpression(QStringLiteral("^[A-Za-z0-9.]+@[A-Za-z0-9.]+$"))
                .match(html.m_images[0].strContentId)
                .hasMatch());
}

// The same file twice is one part; a web image stays a link to the web; and
// a refused image is named as often as the Markdown shows it.
void TestMarkdownMail::placesEachImageOnce() {
    const CHtmlMail html = Render("![a](logo.png) ![b](./logo.png) ![c](images/seal.png)\n"
                                  "![web](https://example.com/banner.png) ![x](x.png) ![y](x.png)");
    QCOMPARE(html.m_images.size(), 2);
    QVERIFY(html.m_images[0].strContentId != html.m_images[1].strContentId);
    QCOMPARE(html.m_strHtml.count(QStringLiteral("cid:") + html.m_images[0].strContentId), 2);
    QCOMPARE(html.m_strHtml.count(QStringLiteral("cid:") + html.m_images[1].strContentId), 1);
    QVERIFY(html.m_strHtml.contains(u"src=\"https://example.com/banner.png\""));
    QCOMPARE(html.m_problems.size(), 2);
}

void TestMarkdownMail::rendersTheTemplateOnceForAllRows_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("quotes, apostrophes and ampersands") << "\"O'Neil\" & <Sons>";
    QTest::newRow("every kind of line break") << "Smith\r\nJones\rMiller\n\nLee\n";
    QTest::newRow("Markdown and a placeholder word")
        << "[x](http://e.example) `#MY_1` ![](logo.png)";
    QTest::newRow("a character of the Private Use Area") << QString(QChar(0xE003)) + "%EE%80%A0";
    QTest::newRow("nothing") << "";
}

// A template with placeholders only in text and code is rendered once and
// each row's values escaped into it; a placeholder in a link address makes
// the renderer fill and render each row's document. Both ways must give the
// same mail.
void TestMarkdownMail::rendersTheTemplateOnceForAllRows() {
    QFETCH(QString, name);
    const QByteArray markdown =
        "# #NAME\n\nDear #PREFIX **#NAME**, `#NAME` [#NAME](https://e.example)\n"
        "![logo](logo.png) ![gone](gone.png)\n\n```\n#NAME\n```\n";
    const QByteArray lastLink = "\n[end](https://e.example/#MY_5)\n";
    const CMailRow row = RowWithName(name);
    CMarkdownRenderer renderer(m_strStartDir);
    const CHtmlMail once = renderer.Render(Merge(markdown, row));
    const CHtmlMail alone = renderer.Render(Merge(markdown + lastLink, row));
    QCOMPARE(once.m_images.size(), 1);
    QCOMPARE(alone.m_images.size(), 1);
    QCOMPARE(once.m_problems.size(), 1);
    QString strOnce = once.m_strHtml;
    strOnce.replace(once.m_images[0].strContentId, QStringLiteral("logo"));
    QString strAlone = alone.m_strHtml;
    strAlone.replace(alone.m_images[0].strContentId, QStringLiteral("logo"));
    strAlone.remove(QRegularExpression(QStringLiteral("<p><a [^>]*>end</a></p>\n")));
    QCOMPARE(strOnce, strAlone);
}

QTEST_GUILESS_MAIN(TestMarkdownMail)
#include "tst_markdownmail.moc"
