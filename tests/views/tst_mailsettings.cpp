#include "COAuthTestServers.h"
#include "CSmtpTestServer.h"
#include "CTestBrowser.h"
#include "platform/oauth/COAuthSettings.h"
#include "platform/oauth/CTokenStore.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/MessageBoxes.h"
#include "platform/ui/OpenInBrowser.h"
#include "store/CAddressDatabase.h"
#include "views/CDia_MailSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

template <class T> T* Child(QDialog& dialog, const QString& strName) {
    T* pChild = dialog.findChild<T*>(strName);
    if (!pChild)
        qFatal("no child %s", qPrintable(strName));
    return pChild;
}

void SetText(QDialog& dialog, const QString& strName, const QString& strText) {
    Child<QLineEdit>(dialog, strName)->setText(strText);
}

QString Text(QDialog& dialog, const QString& strName) {
    return Child<QLineEdit>(dialog, strName)->text();
}

QString Stored(const QString& strKey) {
    return CProfileSettings::GetProfileString(u"MailSystem"_s, strKey);
}

void Click(QDialog& dialog, const QString& strButton) {
    QTest::mouseClick(Child<QPushButton>(dialog, strButton), Qt::LeftButton);
}

} // namespace

// The Mail Settings dialog: what it reads from and writes to the settings
// file, and its test mail.
class TestMailSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void savedAndReadBack_data();
    void savedAndReadBack();
    void cancelWritesNothing();
    void unknownTransportKept();
    void unwritableFileReported();
    void senderAddress_data();
    void senderAddress();
    void testMailNeedsSender();
    void testMailWithoutMailLibrary();
    void resultLineShowsWhole_data();
    void resultLineShowsWhole();
    void testMailThroughMailLibrary_data();
    void testMailThroughMailLibrary();
    void signInSettingsSavedAndReadBack_data();
    void signInSettingsSavedAndReadBack();
    void signInThenTestMail_data();
    void signInThenTestMail();

private:
    QStringList m_arrMessages;
};

void TestMailSettings::init() {
    const QString strPath = CProfileSettings::FilePath();
    QFile::remove(strPath);
    QFile::remove(CTokenStore::FilePath());
    QDir(strPath).removeRecursively();
    m_arrMessages.clear();
    SetMessageBoxHandler([this](const MessageBoxCall& call) {
        m_arrMessages << call.strText;
        return IDOK;
    });
}

void TestMailSettings::savedAndReadBack_data() {
    QTest::addColumn<QString>("transport");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("outbox");
    QTest::addColumn<bool>("mapi");

    QTest::newRow("smtp") << u"smtp"_s << u"smtps://mail.example.com:465"_s << u"secret"_s
                          << u"Jane Doe <jane@example.com>"_s << QString() << true;
    QTest::newRow("password with INI characters")
        << u"smtp"_s << u"smtp://127.0.0.1:2525"_s << u"p;a=s#s, \"w\\o'rd\" [x] ü "_s
        << u"\"Doe, Jane\" <jane@example.com>"_s << QString() << true;
    QTest::newRow("outbox, mail library off")
        << u"outbox"_s << QString() << QString() << u"jane@example.com"_s
        << u"/home/jane/Out box, sent"_s << false;
}

void TestMailSettings::savedAndReadBack() {
    QFETCH(QString, transport);
    QFETCH(QString, server);
    QFETCH(QString, password);
    QFETCH(QString, sender);
    QFETCH(QString, outbox);
    QFETCH(bool, mapi);

    CDia_MailSettings dialog(nullptr);
    auto* pTransport = Child<QComboBox>(dialog, u"comboTransport"_s);
    pTransport->setCurrentIndex(pTransport->findText(transport));
    SetText(dialog, u"editServer"_s, server);
    SetText(dialog, u"editUser"_s, u"jane"_s);
    SetText(dialog, u"editPassword"_s, password);
    SetText(dialog, u"editSender"_s, sender);
    SetText(dialog, u"editCAFile"_s, u"/etc/ssl/extra.pem"_s);
    SetText(dialog, u"editOutbox"_s, outbox);
    Child<QCheckBox>(dialog, u"checkMapi"_s)->setChecked(mapi);
    QCOMPARE(Child<QLineEdit>(dialog, u"editPassword"_s)->echoMode(), QLineEdit::Password);
    dialog.show();
    Click(dialog, u"buttonOK"_s);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    const QFileInfo file(CProfileSettings::FilePath());
    QVERIFY(file.exists());
    QCOMPARE(file.permissions() & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(Stored(u"Transport"_s), transport);
    QCOMPARE(Stored(u"Server"_s), server);
    QCOMPARE(Stored(u"Password"_s), password);
    QCOMPARE(Stored(u"Sender"_s), sender);
    QCOMPARE(Stored(u"Outbox"_s), outbox);
    QCOMPARE(CProfileSettings::GetProfileInt(u"MAIL"_s, u"MAPI"_s, -1), mapi ? 1 : 0);

    CDia_MailSettings reopened(nullptr);
    QCOMPARE(Child<QComboBox>(reopened, u"comboTransport"_s)->currentText(), transport);
    QCOMPARE(Text(reopened, u"editServer"_s), server);
    QCOMPARE(Text(reopened, u"editUser"_s), u"jane"_s);
    QCOMPARE(Text(reopened, u"editPassword"_s), password);
    QCOMPARE(Text(reopened, u"editSender"_s), sender);
    QCOMPARE(Text(reopened, u"editCAFile"_s), u"/etc/ssl/extra.pem"_s);
    QCOMPARE(Text(reopened, u"editOutbox"_s), outbox);
    QCOMPARE(Child<QCheckBox>(reopened, u"checkMapi"_s)->isChecked(), mapi);
    QCOMPARE(Child<QLineEdit>(reopened, u"editOutbox"_s)->isEnabled(), transport == u"outbox"_s);
    QCOMPARE(Child<QLineEdit>(reopened, u"editServer"_s)->isEnabled(), transport == u"smtp"_s);
    QVERIFY(m_arrMessages.isEmpty());
}

void TestMailSettings::cancelWritesNothing() {
    QVERIFY(CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"Server"_s,
                                                u"smtp://old.example.com"_s));
    CDia_MailSettings dialog(nullptr);
    QCOMPARE(Text(dialog, u"editServer"_s), u"smtp://old.example.com"_s);
    SetText(dialog, u"editServer"_s, u"smtp://new.example.com"_s);
    dialog.show();
    Click(dialog, u"buttonCancel"_s);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(Stored(u"Server"_s), u"smtp://old.example.com"_s);
    QCOMPARE(Stored(u"Transport"_s), QString());
}

void TestMailSettings::unknownTransportKept() {
    QVERIFY(CProfileSettings::WriteProfileValue(u"MailSystem"_s, u"Transport"_s, u"lmtp"_s));
    CDia_MailSettings dialog(nullptr);
    dialog.show();
    Click(dialog, u"buttonOK"_s);
    QCOMPARE(Stored(u"Transport"_s), u"lmtp"_s);
}

// A settings file that cannot be written is reported and the dialog stays
// open with everything the user typed.
void TestMailSettings::unwritableFileReported() {
    QVERIFY(QDir().mkpath(CProfileSettings::FilePath()));
    CDia_MailSettings dialog(nullptr);
    SetText(dialog, u"editServer"_s, u"smtp://typed.example.com"_s);
    dialog.show();
    Click(dialog, u"buttonOK"_s);
    QVERIFY(dialog.isVisible());
    QCOMPARE(m_arrMessages.size(), 1);
    QVERIFY2(m_arrMessages.first().contains(CProfileSettings::FilePath()),
             qPrintable(m_arrMessages.first()));
    QCOMPARE(Text(dialog, u"editServer"_s), u"smtp://typed.example.com"_s);
}

void TestMailSettings::senderAddress_data() {
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("address");

    QTest::newRow("bare address") << u" jane@example.com "_s << u"jane@example.com"_s;
    QTest::newRow("name and address") << u"Jane Doe <jane@example.com>"_s << u"jane@example.com"_s;
    QTest::newRow("quoted name with angle")
        << u"\"Doe, Jane\" < jane@example.com >"_s << u"jane@example.com"_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestMailSettings::senderAddress() {
    QFETCH(QString, sender);
    QFETCH(QString, address);
    CDia_MailSettings dialog(nullptr);
    SetText(dialog, u"editSender"_s, sender);
    QCOMPARE(dialog.SenderAddress(), address);
}

void TestMailSettings::testMailNeedsSender() {
    CAddressDatabase database;
    CDia_MailSettings dialog(&database);
    dialog.show();
    Click(dialog, u"buttonSendTestMail"_s);
    QVERIFY(!Child<QLabel>(dialog, u"labelTestResult"_s)->text().isEmpty());
    QVERIFY(m_arrMessages.isEmpty());
    QVERIFY(QFileInfo::exists(CProfileSettings::FilePath()));
}

// With the mail library switched off the test mail takes the program's own
// way and meets the program's own message.
void TestMailSettings::testMailWithoutMailLibrary() {
    CAddressDatabase database;
    CDia_MailSettings dialog(&database);
    SetText(dialog, u"editSender"_s, u"Jane <jane@example.com>"_s);
    Child<QCheckBox>(dialog, u"checkMapi"_s)->setChecked(false);
    dialog.show();
    Click(dialog, u"buttonSendTestMail"_s);
    QCOMPARE(m_arrMessages, QStringList{u"MAPI is not installed on this computer."_s});
    const QString strResult = Child<QLabel>(dialog, u"labelTestResult"_s)->text();
    QVERIFY2(strResult.contains(u"jane@example.com"_s) && strResult.contains(u"not"_s),
             qPrintable(strResult));
}

void TestMailSettings::resultLineShowsWhole_data() {
    QTest::addColumn<QString>("sender");
    QTest::newRow("no sender") << QString();
    QTest::newRow("short address") << u"Jane <jane@example.com>"_s;
    QTest::newRow("long address") << u"Jane <jane.%1@marketing.department.example.com>"_s.arg(
        QString(60, u'x'));
}

// The dialog grows to show its result line whole, however many lines it takes.
void TestMailSettings::resultLineShowsWhole() {
    QFETCH(QString, sender);
    CAddressDatabase database;
    CDia_MailSettings dialog(&database);
    SetText(dialog, u"editSender"_s, sender);
    Child<QCheckBox>(dialog, u"checkMapi"_s)->setChecked(false);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Click(dialog, u"buttonSendTestMail"_s);
    auto* pResult = Child<QLabel>(dialog, u"labelTestResult"_s);
    QVERIFY(!pResult->text().isEmpty());
    QTRY_VERIFY2(
        pResult->height() >= pResult->heightForWidth(pResult->width()),
        qPrintable(
            u"%1 < %2"_s.arg(pResult->height()).arg(pResult->heightForWidth(pResult->width()))));
    QVERIFY(dialog.rect().contains(pResult->geometry()));
    auto* pOK = Child<QPushButton>(dialog, u"buttonOK"_s);
    QVERIFY(pResult->geometry().bottom() < pOK->mapTo(&dialog, QPoint(0, 0)).y());
}

void TestMailSettings::testMailThroughMailLibrary_data() {
    QTest::addColumn<QStringList>("serverOptions");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("delivered");

    const QStringList arrLogin{u"--user"_s, u"jane"_s, u"--password"_s, u"p;a=s#s, ü"_s};
    QTest::newRow("delivered after login") << arrLogin << u"p;a=s#s, ü"_s << true;
    QTest::newRow("wrong password") << arrLogin << u"p;a=s#s"_s << false;
    QTest::newRow("recipient refused")
        << QStringList{u"--refuse-recipient"_s, u"jane@example.com"_s} << QString() << false;
}

// The test mail goes through the mail library to a real SMTP server with
// exactly the settings typed into the dialog.
void TestMailSettings::testMailThroughMailLibrary() {
    QFETCH(QStringList, serverOptions);
    QFETCH(QString, password);
    QFETCH(bool, delivered);
    QTemporaryDir folder;
    CSmtpTestServer server(folder.filePath(u"server"_s));
    QVERIFY2(server.Start(serverOptions), qPrintable(server.ErrorText()));

    CAddressDatabase database;
    CDia_MailSettings dialog(&database);
    SetText(dialog, u"editServer"_s, server.Url(u"smtp"_s));
    SetText(dialog, u"editUser"_s, u"jane"_s);
    SetText(dialog, u"editPassword"_s, password);
    SetText(dialog, u"editSender"_s, u"Jane Doe <jane@example.com>"_s);
    Child<QCheckBox>(dialog, u"checkMapi"_s)->setChecked(true);
    dialog.show();
    Click(dialog, u"buttonSendTestMail"_s);

    const QString strResult = Child<QLabel>(dialog, u"labelTestResult"_s)->text();
    QVERIFY2(strResult.contains(u"jane@example.com"_s), qPrintable(strResult));
    QCOMPARE(server.MessageCount(), delivered ? 1 : 0);
    QCOMPARE(strResult.contains(u"not"_s), !delivered);
    if (delivered) {
        QVERIFY(m_arrMessages.isEmpty());
        QCOMPARE(server.Envelope(1)[u"rcpt_tos"].toArray(), QJsonArray{u"jane@example.com"_s});
        QVERIFY(server.MessageBytes(1).contains("Subject: Corvane test mail"));
    } else {
        QCOMPARE(m_arrMessages.size(), 1);
        QVERIFY2(m_arrMessages.first().startsWith(u"Can not "_s),
                 qPrintable(m_arrMessages.first()));
    }
}

void TestMailSettings::signInSettingsSavedAndReadBack_data() {
    QTest::addColumn<int>("provider");
    QTest::addColumn<QString>("tenant");
    QTest::addColumn<QString>("tokenUrl");
    QTest::addColumn<QString>("expectedTokenUrl");
    QTest::newRow("Microsoft, a tenant of one's own")
        << 0 << u"contoso.onmicrosoft.com"_s << QString()
        << u"https://login.microsoftonline.com/contoso.onmicrosoft.com/oauth2/v2.0/token"_s;
    QTest::newRow("Microsoft, any account")
        << 0 << QString() << QString()
        << u"https://login.microsoftonline.com/common/oauth2/v2.0/token"_s;
    QTest::newRow("Google") << 1 << QString() << QString()
                            << u"https://oauth2.googleapis.com/token"_s;
    QTest::newRow("a provider of one's own")
        << 2 << QString() << u"https://id.example.org/token"_s << u"https://id.example.org/token"_s;
}

// The mail library renews its tokens at the endpoint the dialog's choice
// names.
void TestMailSettings::signInSettingsSavedAndReadBack() {
    QFETCH(int, provider);
    QFETCH(QString, tenant);
    QFETCH(QString, tokenUrl);
    QFETCH(QString, expectedTokenUrl);
    CDia_MailSettings dialog(nullptr);
    SetText(dialog, u"editUser"_s, u"jane@example.com"_s);
    auto* pLogin = Child<QComboBox>(dialog, u"comboLogin"_s);
    pLogin->setCurrentIndex(pLogin->findData(u"oauth2"_s));
    Child<QComboBox>(dialog, u"comboProvider"_s)->setCurrentIndex(provider);
    SetText(dialog, u"editTenant"_s, tenant);
    SetText(dialog, u"editClientId"_s, u"0b1c-app"_s);
    SetText(dialog, u"editTokenUrl"_s, tokenUrl);
    dialog.show();
    QVERIFY(!Child<QLineEdit>(dialog, u"editPassword"_s)->isVisible());
    Click(dialog, u"buttonOK"_s);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    QCOMPARE(COAuthSettings::ReadAuth(), COAuthSettings::Auth::OAuth2);
    const COAuthSettings settings = COAuthSettings::Read();
    QCOMPARE(settings.m_strClientId, u"0b1c-app"_s);
    QCOMPARE(settings.m_strTokenUrl, expectedTokenUrl);
    QCOMPARE(Stored(u"OAuthTokenUrl"_s), tokenUrl);
    CDia_MailSettings reopened(nullptr);
    QCOMPARE(Child<QComboBox>(reopened, u"comboLogin"_s)->currentData().toString(), u"oauth2"_s);
    QCOMPARE(Child<QComboBox>(reopened, u"comboProvider"_s)->currentIndex(), provider);
    QCOMPARE(Text(reopened, u"editTenant"_s), tenant);
    QCOMPARE(Child<QLabel>(reopened, u"labelSignIn"_s)->text(), u"Not signed in."_s);
}

void TestMailSettings::signInThenTestMail_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("browserOpens");
    QTest::newRow("in the browser") << u"buttonSignIn"_s << true;
    QTest::newRow("no browser opens: with a code") << u"buttonSignIn"_s << false;
    QTest::newRow("with a code") << u"buttonSignInWithCode"_s << true;
}

// Signed in with the dialog, the test mail logs in with a token; signed
// out, it cannot. No token shows anywhere.
void TestMailSettings::signInThenTestMail() {
    QFETCH(QString, button);
    QFETCH(bool, browserOpens);
    QTemporaryDir folder;
    COAuthTestServers servers(folder.path());
    QVERIFY2(servers.StartAuthority() && servers.StartSmtp(), qPrintable(servers.ErrorText()));
    servers.WriteSettings();
    CTestBrowser browser;
    SetBrowserHandler([&](const QUrl& url) { return browserOpens && browser.Open(url); });
    CAddressDatabase database;
    CDia_MailSettings dialog(&database);
    Child<QCheckBox>(dialog, u"checkMapi"_s)->setChecked(true);
    auto* pSignIn = Child<QLabel>(dialog, u"labelSignIn"_s);
    dialog.show();

    Click(dialog, button);
    QTRY_VERIFY_WITH_TIMEOUT(pSignIn->text().startsWith(u"Signed in as jane@example.com"_s), 30000);
    const QStringList arrShown{pSignIn->text()};
    Click(dialog, u"buttonSendTestMail"_s);
    QCOMPARE(servers.Smtp().MessageCount(), 1);
    Click(dialog, u"buttonSignOut"_s);
    Click(dialog, u"buttonSendTestMail"_s);
    SetBrowserHandler({});

    QCOMPARE(pSignIn->text(), u"Not signed in."_s);
    QCOMPARE(servers.Smtp().MessageCount(), 1);
    QCOMPARE(m_arrMessages, QStringList{u"Can not Logon to MAPI, Error = 3\nnot signed in: sign in "
                                        "in Mail Settings"_s});
    QCOMPARE(CTokenStore::Lookup(u"custom"_s, u"jane@example.com"_s).strToken, QString());
    for (const QString& strToken : servers.Issued()) {
        QVERIFY(!arrShown.join(u' ').contains(strToken));
        QVERIFY(!Child<QLabel>(dialog, u"labelTestResult"_s)->text().contains(strToken));
    }
}

QTEST_MAIN(TestMailSettings)
#include "tst_mailsettings.moc"
