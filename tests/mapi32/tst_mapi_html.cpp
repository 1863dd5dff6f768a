// libmapi32.so sending formatted mail through CorvaneSendHtmlMail: the text
// and the HTML as alternatives, the HTML's images as related parts under
// their Content-IDs, the same structure through the outbox and SMTP, and the
// same header lines as a text mail. GMime reads every mail back.

#include "CGMimeMail.h"
#include "CSmtpTestServer.h"
#include "CTestMailLibrary.h"
#include "CTestMapiMessage.h"
#include "platform/settings/CProfileSettings.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

const QByteArray kRecipient = "juergen@example.org";
const QString kSubject = QStringLiteral("Angebot für Jürgen");
const QString kText = QStringLiteral("**Lieber Jürgen,**\n\nunser Angebot.\n");
const QByteArray kLogo = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(3000, '\x07');
const QByteArray kPhoto = QByteArray("\xff\xd8\xff\xe0", 4) + QByteArray(5000, '\x01');

// An HTML text whose images are the given Content-IDs, with a line longer
// than a mail line may be.
QByteArray HtmlShowing(const QList<QByteArray>& contentIds) {
    QByteArray html =
        "<!DOCTYPE html>\n<html><body><p><strong>Lieber J\xc3\xbcrgen,</strong></p>\n<p>" +
        QByteArray(1200, 'x') + "</p>\n";
    for (const QByteArray& contentId : contentIds)
        html += "<img src=\"cid:" + contentId + "\" alt=\"\" />\n";
    return html + "</body></html>\n";
}

QList<QByteArray> CidsIn(const QString& strHtml) {
    static const QRegularExpression cid(QStringLiteral("src=\"cid:([^\"]+)\""));
    QList<QByteArray> ids;
    for (const QRegularExpressionMatch& match : cid.globalMatch(strHtml))
        ids << match.captured(1).toUtf8();
    return ids;
}

} // namespace

class TestMapiHtml : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void composesFormattedMail_data();
    void composesFormattedMail();
    void refusesBadFormattedMail_data();
    void refusesBadFormattedMail();
    void headerLinesAreTheSameForBothKinds_data();
    void headerLinesAreTheSameForBothKinds();

private:
    QString NewOutbox();
    QByteArray OnlyMailIn(const QString& strOutbox);

    QTemporaryDir m_dir;
    QString m_strLogo;
    QString m_strPhoto;
    QString m_strPdf;
    int m_nOutboxes = 0;
};

void TestMapiHtml::initTestCase() {
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    const QList<std::pair<QString*, QPair<QString, QByteArray>>> files = {
        {&m_strLogo, {QStringLiteral("logo.png"), kLogo}},
        {&m_strPhoto, {QStringLiteral("Foto vom Stand.jpg"), kPhoto}},
        {&m_strPdf, {QStringLiteral("Angebot.pdf"), QByteArray("%PDF-1.4\n")}},
    };
    for (const auto& [pPath, file] : files) {
        *pPath = m_dir.filePath(file.first);
        QFile out(*pPath);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file.second);
    }
}

void TestMapiHtml::init() {
    QFile::remove(CProfileSettings::FilePath());
}

QString TestMapiHtml::NewOutbox() {
    const QString strOutbox = m_dir.filePath(QStringLiteral("outbox%1").arg(++m_nOutboxes));
    QDir().mkpath(strOutbox);
    using S = CProfileSettings;
    S::WriteProfileValue(S::kSectionMailSystem, S::kKeyTransport, S::kTransportOutbox);
    S::WriteProfileValue(S::kSectionMailSystem, S::kKeyOutbox, strOutbox);
    S::WriteProfileValue(S::kSectionMailSystem, S::kKeySender,
                         QStringLiteral("Jane Doe <jane@example.com>"));
    return strOutbox;
}

QByteArray TestMapiHtml::OnlyMailIn(const QString& strOutbox) {
    const QStringList arrNames = QDir(strOutbox).entryList(QDir::Files);
    if (arrNames.size() != 1)
        return QByteArray();
    QFile file(QDir(strOutbox).filePath(arrNames.first()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestMapiHtml::composesFormattedMail_data() {
    QTest::addColumn<QString>("transport");
    QTest::addColumn<bool>("html");
    QTest::addColumn<QStringList>("images");
    QTest::addColumn<bool>("attachment");
    QTest::addColumn<QString>("structure");
    QTest::newRow("outbox, a text mail as ever")
        << "outbox" << false << QStringList() << false << "text/plain";
    QTest::newRow("outbox, a text mail with an attachment as ever")
        << "outbox" << false << QStringList() << true
        << "multipart/mixed(text/plain,application/pdf)";
    QTest::newRow("outbox, text and HTML") << "outbox" << true << QStringList() << false
                                           << "multipart/alternative(text/plain,text/html)";
    QTest::newRow("outbox, two images")
        << "outbox" << true << QStringList{"logo", "photo"} << false
        << "multipart/alternative(text/plain,multipart/related(text/html,image/png,image/jpeg))";
    QTest::newRow("SMTP, text and HTML") << "smtp" << true << QStringList() << false
                                         << "multipart/alternative(text/plain,text/html)";
    QTest::newRow("SMTP, an image and an attachment")
        << "smtp" << true << QStringList{"logo"} << true
        << "multipart/mixed(multipart/alternative(text/plain,"
           "multipart/related(text/html,image/png)),application/pdf)";
}

void TestMapiHtml::composesFormattedMail() {
    QFETCH(QString, transport);
    QFETCH(bool, html);
    QFETCH(QStringList, images);
    QFETCH(bool, attachment);
    QFETCH(QString, structure);
    std::unique_ptr<CSmtpTestServer> pServer;
    QString strOutbox;
    if (transport == u"smtp") {
        pServer = std::make_unique<CSmtpTestServer>(m_dir.filePath(QStringLiteral("server")));
        QVERIFY2(pServer->Start(), qPrintable(pServer->ErrorText()));
        using S = CProfileSettings;
        S::WriteProfileValue(S::kSectionMailSystem, S::kKeyTransport, S::kTransportSmtp);
        S::WriteProfileValue(S::kSectionMailSystem, S::kKeyServer,
                             pServer->Url(QStringLiteral("smtp")));
        S::WriteProfileValue(S::kSectionMailSystem, S::kKeySender,
                             QStringLiteral("Jane Doe <jane@example.com>"));
    } else {
        strOutbox = NewOutbox();
    }
    QList<QPair<QString, QByteArray>> arrImages;
    QMap<QByteArray, QByteArray> expectedContent;
    for (const QString& strImage : images) {
        const QByteArray contentId = strImage.toUtf8() + ".5f3a9c@corvane";
        arrImages.append({strImage == u"logo" ? m_strLogo : m_strPhoto, contentId});
        expectedContent.insert(contentId, strImage == u"logo" ? kLogo : kPhoto);
    }
    const QByteArray htmlText = HtmlShowing(expectedContent.keys());
    CTestMailLibrary library;
    CTestMapiMessage message(QString(), kRecipient, kSubject, kText,
                             attachment ? QStringList{m_strPdf} : QStringList());

    const ULONG nResult =
        html ? library.SendOneHtml(message.Get(), message.Html(htmlText, arrImages))
             : library.SendOne(message.Get());

    QCOMPARE(nResult, SUCCESS_SUCCESS);
    const QByteArray mail = pServer ? pServer->MessageBytes(1) : OnlyMailIn(strOutbox);
    const CGMimeMail parsed(mail);
    QVERIFY2(parsed.IsValid(), mail.constData());
    QCOMPARE(parsed.Structure(), structure);
    QCOMPARE(parsed.Subject(), kSubject);
    QCOMPARE(parsed.Text(QStringLiteral("text/plain")), kText);
    if (!html)
        return;
    const QString strHtml = parsed.Text(QStringLiteral("text/html"));
    QCOMPARE(strHtml, QString::fromUtf8(htmlText));
    // Every image the HTML shows is a part of the mail under that Content-ID.
    const QList<QByteArray> arrShown = CidsIn(strHtml);
    QCOMPARE(arrShown.size(), images.size());
    const QMap<QString, QByteArray> parts = parsed.ContentIds();
    QCOMPARE(parts.size(), images.size());
    for (const QByteArray& contentId : arrShown) {
        QCOMPARE(parts.value(QString::fromUtf8(contentId)), expectedContent.value(contentId));
        QCOMPARE(parsed.Disposition(QString::fromUtf8(contentId)), QStringLiteral("inline"));
    }
    if (!images.isEmpty())
        QCOMPARE(parsed.RelatedType(), QStringLiteral("text/html"));
}

void TestMapiHtml::refusesBadFormattedMail_data() {
    QTest::addColumn<QByteArray>("recipient");
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QByteArray>("contentId");
    QTest::addColumn<ULONG>("result");
    const QByteArray html = "<p>Hallo</p>";
    const QString strLogo = QStringLiteral("logo");
    const QByteArray good = "logo@corvane";
    QTest::newRow("a recipient with a line break")
        << QByteArray("ann@example.org\r\nRCPT TO:<eve@example.net>") << html << strLogo << good
        << ULONG(MAPI_E_INVALID_RECIPS);
    QTest::newRow("HTML that is not UTF-8") << kRecipient
                                            << QByteArray("<p>Gr\xfc\xdf"
                                                          "e</p>")
                                            << strLogo << good << ULONG(MAPI_E_INVALID_MESSAGE);
    QTest::newRow("a Content-ID without @")
        << kRecipient << html << strLogo << QByteArray("logo") << ULONG(MAPI_E_INVALID_MESSAGE);
    QTest::newRow("a Content-ID that ends the header line")
        << kRecipient << html << strLogo << QByteArray("logo@corvane\r\nBcc: eve@example.net")
        << ULONG(MAPI_E_INVALID_MESSAGE);
    QTest::newRow("a Content-ID with its own brackets")
        << kRecipient << html << strLogo << QByteArray("<logo@corvane>")
        << ULONG(MAPI_E_INVALID_MESSAGE);
    QTest::newRow("a Content-ID with a blank")
        << kRecipient << html << strLogo << QByteArray("logo @corvane")
        << ULONG(MAPI_E_INVALID_MESSAGE);
    QTest::newRow("two images under one Content-ID")
        << kRecipient << html << "twice" << good << ULONG(MAPI_E_INVALID_MESSAGE);
    QTest::newRow("an image that is missing")
        << kRecipient << html << "missing" << good << ULONG(MAPI_E_ATTACHMENT_NOT_FOUND);
    QTest::newRow("an image that is a folder")
        << kRecipient << html << "folder" << good << ULONG(MAPI_E_ATTACHMENT_OPEN_FAILURE);
    QTest::newRow("an image count without images")
        << kRecipient << html << "no array" << good << ULONG(MAPI_E_ATTACHMENT_NOT_FOUND);
}

// Nothing is written when the formatted mail is refused, and the library's
// outcome of the call names the message as the step that failed.
void TestMapiHtml::refusesBadFormattedMail() {
    QFETCH(QByteArray, recipient);
    QFETCH(QByteArray, html);
    QFETCH(QString, image);
    QFETCH(QByteArray, contentId);
    QFETCH(ULONG, result);
    const QString strOutbox = NewOutbox();
    QList<QPair<QString, QByteArray>> arrImages{{m_strLogo, contentId}};
    if (image == u"twice")
        arrImages.append({m_strPhoto, contentId});
    if (image == u"missing")
        arrImages = {{m_dir.filePath(QStringLiteral("missing.png")), contentId}};
    if (image == u"folder")
        arrImages = {{m_dir.path(), contentId}};
    CTestMailLibrary library;
    CTestMapiMessage message(QString(), recipient, kSubject, kText);
    CorvaneHtmlBody* pHtml = message.Html(html, arrImages);
    if (image == u"no array")
        pHtml->lpImages = nullptr;

    CorvaneResult outcome{};
    QCOMPARE(library.SendOneHtml(message.Get(), pHtml, &outcome), result);
    QCOMPARE(outcome.ulResult, result);
    QCOMPARE(outcome.ulStep, ULONG(CORVANE_STEP_MESSAGE));
    QCOMPARE(QDir(strOutbox).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestMapiHtml::headerLinesAreTheSameForBothKinds_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("subject");
    QTest::newRow("a subject with CR LF and a header")
        << QStringLiteral("Jürgen") << QStringLiteral("Hallo\r\nBcc: eve@example.net");
    QTest::newRow("a name with a bare CR and a header")
        << QStringLiteral("Müller, Jürgen\rCc: eve@example.net") << kSubject;
    QTest::newRow("an encoded-word lookalike")
        << QStringLiteral("Jürgen")
        << QStringLiteral("Offer =?utf-8?b? ") + QString(53, u'y') +
               QStringLiteral(" R?=eply-To: attacker@evil.example");
}

// From, To and Subject of a formatted mail are those of the same text mail
// byte for byte, and GMime reads one To with the address.
void TestMapiHtml::headerLinesAreTheSameForBothKinds() {
    QFETCH(QString, name);
    QFETCH(QString, subject);
    QByteArray heads[2];
    for (const bool bHtml : {false, true}) {
        const QString strOutbox = NewOutbox();
        CTestMailLibrary library;
        CTestMapiMessage message(name, kRecipient, subject, kText);
        QCOMPARE(bHtml ? library.SendOneHtml(message.Get(), message.Html(HtmlShowing({})))
                       : library.SendOne(message.Get()),
                 SUCCESS_SUCCESS);
        const QByteArray mail = OnlyMailIn(strOutbox);
        heads[bHtml] = mail.left(mail.indexOf("\r\nDate: "));
        const QByteArray header = mail.left(mail.indexOf("\r\n\r\n"));
        for (const char* pszField : {"\nBcc:", "\nCc:", "\nReply-To:"})
            QVERIFY2(!header.contains(pszField), header.constData());
    }
    QVERIFY(heads[0].startsWith("From: "));
    QCOMPARE(heads[1], heads[0]);
}

QTEST_GUILESS_MAIN(TestMapiHtml)
#include "tst_mapi_html.moc"
