// The whole road of a mail: a table row and a template assembled, handed to
// the real mail library and delivered to a real SMTP server on 127.0.0.1.

#include "CGMimeMail.h"
#include "CMimeSummary.h"
#include "CSmtpTestServer.h"
#include "MessageBoxRecorder.h"
#include "views/Globals.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/CListCtrl.h"
#include "store/CAddressDatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

const QByteArray kAttachment = QByteArrayLiteral("%PDF-1.4\n\x00\x01\x02\xFF binary price list\n");
const QByteArray kLogo = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(2000, '\x05');

} // namespace

class TestSendMailEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void deliversEachSelectedRow();
    void deliversAMarkdownRowFormatted();
    void sendsWithoutARefusedImageOnlyWhenTold_data();
    void sendsWithoutARefusedImageOnlyWhenTold();

private:
    void Write(const QString& strName, const QByteArray& bytes);
    void AddRow(CListCtrl& list, const QStringList& arrCells);

    QTemporaryDir m_startDir;
    std::unique_ptr<CSmtpTestServer> m_pServer;
    std::unique_ptr<CAddressDatabase> m_pDb;
};

void TestSendMailEndToEnd::initTestCase() {
    QVERIFY(m_startDir.isValid());
    g_strStartDir = m_startDir.path();
    QVERIFY(QDir::setCurrent(g_strStartDir));
    m_pServer = std::make_unique<CSmtpTestServer>(m_startDir.filePath(QStringLiteral("server")));
    QVERIFY2(m_pServer->Start(), qPrintable(m_pServer->ErrorText()));
    m_pDb = std::make_unique<CAddressDatabase>();

    QFile::remove(CProfileSettings::FilePath());
    QVERIFY(CProfileSettings::WriteProfileValue(QStringLiteral("MAIL"), QStringLiteral("MAPI"), 1));
    QVERIFY(CProfileSettings::WriteProfileValue(
        QStringLiteral("MailSystem"), QStringLiteral("Transport"), QStringLiteral("smtp")));
    QVERIFY(CProfileSettings::WriteProfileValue(QStringLiteral("MailSystem"),
                                                QStringLiteral("Server"),
                                                m_pServer->Url(QStringLiteral("smtp"))));
    QVERIFY(
        CProfileSettings::WriteProfileValue(QStringLiteral("MailSystem"), QStringLiteral("Sender"),
                                            QStringLiteral("Ostwick Sales <sales@example.com>")));
    qputenv("CORVANE_MAPI_LIBRARY", MAPI32_LIBRARY);
}

void TestSendMailEndToEnd::cleanupTestCase() {
    m_pDb.reset();
    m_pServer.reset();
    QDir::setCurrent(QDir::tempPath());
}

void TestSendMailEndToEnd::Write(const QString& strName, const QByteArray& bytes) {
    QFile file(m_startDir.filePath(strName));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

void TestSendMailEndToEnd::AddRow(CListCtrl& list, const QStringList& arrCells) {
    const int nItem =
        list.InsertItem(list.GetItemCount(), QString::number(list.GetItemCount() + 1));
    for (int i = 0; i < arrCells.size(); ++i)
        QVERIFY(list.SetItemText(nItem, i + 1, arrCells[i]));
}

void TestSendMailEndToEnd::deliversEachSelectedRow() {
    Write(QStringLiteral("price.pdf"), kAttachment);
    // A template written on Windows (Windows-1252, CR LF) and one written on
    // Linux (UTF-8, bare line feeds).
    Write(QStringLiteral("Angebot.txt"), "#SUBJECT: Angebot f\xFCr #NAME\r\n"
                                         "#ATTACHMENTS price.pdf; missing.pdf\r\n"
                                         "Sehr geehrter #PREFIX #NAME,\r\n\r\n"
                                         "anbei unser Angebot vom #DATE.\r\n");
    Write(QStringLiteral("offer.txt"), "#SUBJECT Offer for #NAME \xE2\x80\x93 #MY_1\n"
                                       "Dear #NAME,\nno attachment this time.\n");
    CListCtrl list;
    for (int nColumn = 0; nColumn < 11; ++nColumn)
        list.InsertColumn(nColumn, QString::number(nColumn));
    AddRow(list, {"11/30/26", " juergen@example.org\r\n", "Dr.", QStringLiteral("Müller"),
                  "Angebot.txt", " ", " ", " ", " ", " "});
    AddRow(list, {"12/01/26", "jane@example.com", " ", "Jane", "offer.txt", "Ostwick", " ", " ",
                  " ", " "});

    MessageBoxRecorder boxes;
    m_pDb->AssembleMail(list, 0, nullptr, true);
    m_pDb->AssembleMail(list, 1, nullptr, true);
    QCOMPARE(boxes.Texts(), QStringList{"Can not find a file: \"missing.pdf\".\n"
                                        "It will not be attached to that Mail."});
    QCOMPARE(m_pServer->MessageCount(), 2);

    QCOMPARE(m_pServer->Envelope(1)[u"rcpt_tos"].toArray(), QJsonArray{"juergen@example.org"});
    const QJsonObject first = CMimeSummary::Of(m_pServer->MessagePath(1));
    QCOMPARE(first[u"defects"].toArray(), QJsonArray());
    QCOMPARE(first[u"to"].toArray().size(), 1);
    QCOMPARE(first[u"to"].toArray()[0].toArray()[1].toString(), "juergen@example.org");
    QCOMPARE(first[u"subject"].toString(), QStringLiteral("Angebot für Müller"));
    QCOMPARE(first[u"body"].toString().trimmed(),
             QStringLiteral("Sehr geehrter Dr. Müller,\n\nanbei unser Angebot vom 11/30/26."));
    const QJsonArray attachments = first[u"attachments"].toArray();
    QCOMPARE(attachments.size(), 1);
    QCOMPARE(attachments[0].toObject()[u"name"].toString(), "price.pdf");
    QCOMPARE(attachments[0].toObject()[u"sha256"].toString(),
             QCryptographicHash::hash(kAttachment, QCryptographicHash::Sha256).toHex());

    QCOMPARE(m_pServer->Envelope(2)[u"rcpt_tos"].toArray(), QJsonArray{"jane@example.com"});
    const QJsonObject second = CMimeSummary::Of(m_pServer->MessagePath(2));
    QCOMPARE(second[u"subject"].toString(), QStringLiteral("Offer for Jane – Ostwick"));
    QCOMPARE(second[u"body"].toString().trimmed(),
             QStringLiteral("Dear Jane,\nno attachment this time."));
    QCOMPARE(second[u"attachments"].toArray(), QJsonArray());
}

// The name is text in both parts; the logo is a related part that the HTML
// shows by its Content-ID.
void TestSendMailEndToEnd::deliversAMarkdownRowFormatted() {
    Write(QStringLiteral("logo.png"), kLogo);
    Write(QStringLiteral("Angebot.md"), "#SUBJECT Angebot f\xC3\xBCr #NAME\n"
                                        "#ATTACHMENTS price.pdf\n"
                                        "![Logo](logo.png)\n\n"
                                        "Sehr geehrte(r) **#NAME**,\n"
                                        "unser [Angebot](https://example.com/angebot).\n");
    const QString strName = QStringLiteral("<b>Müller</b> [x](http://evil.example)");
    CListCtrl list;
    for (int nColumn = 0; nColumn < 11; ++nColumn)
        list.InsertColumn(nColumn, QString::number(nColumn));
    AddRow(list, {"12/01/26", "mueller@example.org", " ", strName, "Angebot.md", " ", " ", " ",
                  " ", " "});
    const int nBefore = m_pServer->MessageCount();

    MessageBoxRecorder boxes;
    m_pDb->AssembleMail(list, 0, nullptr, true);

    QCOMPARE(boxes.Texts(), QStringList());
    QCOMPARE(m_pServer->MessageCount(), nBefore + 1);
    const CGMimeMail mail(m_pServer->MessageBytes(nBefore + 1));
    QCOMPARE(mail.Structure(), QStringLiteral("multipart/mixed(multipart/alternative(text/plain,"
                                              "multipart/related(text/html,image/png)),"
                                              "application/pdf)"));
    QCOMPARE(mail.Subject(), QStringLiteral("Angebot für ") + strName);
    QCOMPARE(mail.Text(QStringLiteral("text/plain")),
             QStringLiteral("![Logo](logo.png)\n\nSehr geehrte(r) **") + strName +
                 QStringLiteral("**,\nunser [Angebot](https://example.com/angebot)."));
    const QString strHtml = mail.Text(QStringLiteral("text/html"));
    QVERIFY2(strHtml.contains(QStringLiteral("<strong>") + strName.toHtmlEscaped() +
                              QStringLiteral("</strong>")),
             qPrintable(strHtml));
    QVERIFY2(!strHtml.contains(u"href=\"http://evil.example"), qPrintable(strHtml));
    const QMap<QString, QByteArray> images = mail.ContentIds();
    QCOMPARE(images.size(), 1);
    QVERIFY2(strHtml.contains(QStringLiteral("src=\"cid:") + images.firstKey() + u'"'),
             qPrintable(strHtml));
    QCOMPARE(images.first(), kLogo);
}

void TestSendMailEndToEnd::sendsWithoutARefusedImageOnlyWhenTold_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("sent");
    QTest::newRow("no") << int(IDNO) << false;
    QTest::newRow("yes") << int(IDYES) << true;
}

void TestSendMailEndToEnd::sendsWithoutARefusedImageOnlyWhenTold() {
    QFETCH(int, answer);
    QFETCH(bool, sent);
    Write(QStringLiteral("Outside.md"), "#SUBJECT Hello\n![Stolen](../secret.png) Text\n");
    CListCtrl list;
    for (int nColumn = 0; nColumn < 11; ++nColumn)
        list.InsertColumn(nColumn, QString::number(nColumn));
    AddRow(list, {"12/01/26", "jane@example.com", " ", "Jane", "Outside.md", " ", " ", " ", " ",
                  " "});
    const int nBefore = m_pServer->MessageCount();

    MessageBoxRecorder boxes;
    boxes.m_nAnswer = answer;
    m_pDb->AssembleMail(list, 0, nullptr, true);

    QCOMPARE(boxes.Texts(),
             QStringList{"The image \"../secret.png\" is not a file in Corvane's folder.\n"
                         "Send the mail without it?"});
    QCOMPARE(boxes.m_arrCalls[0].nType, unsigned(MB_YESNO));
    QCOMPARE(m_pServer->MessageCount(), nBefore + (sent ? 1 : 0));
    if (!sent)
        return;
    const CGMimeMail mail(m_pServer->MessageBytes(nBefore + 1));
    QCOMPARE(mail.Structure(), QStringLiteral("multipart/alternative(text/plain,text/html)"));
    QVERIFY(mail.Text(QStringLiteral("text/html")).contains(u"<p>Stolen Text</p>"));
}

QTEST_MAIN(TestSendMailEndToEnd)
#include "tst_sendmail_e2e.moc"
