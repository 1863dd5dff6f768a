// libmapi32.so against a server whose answers the test scripts
// (scripted_smtp_server.py): each refusal's result code by its meaning, the
// limit for a silent server at every step, pipelined commands where the
// server offers them, and the connection the library keeps from one mail to
// the next.

#include "CScriptedMail.h"
#include "platform/settings/CProfileSettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int kStallSeconds = 3;

CorvaneStep StepOf(const QString& strStep) {
    static const QHash<QString, CorvaneStep> steps = {
        {u"GREETING"_s, CORVANE_STEP_CONNECT}, {u"EHLO"_s, CORVANE_STEP_CONNECT},
        {u"AUTH"_s, CORVANE_STEP_LOGIN},       {u"MAIL"_s, CORVANE_STEP_MAIL},
        {u"RCPT"_s, CORVANE_STEP_RCPT},        {u"DATA"_s, CORVANE_STEP_DATA},
        {u"DOT"_s, CORVANE_STEP_END_OF_DATA}};
    return steps.value(strStep, CORVANE_STEP_NONE);
}

} // namespace

class TestMapiServer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void repliesByMeaning_data();
    void repliesByMeaning();
    void givesUpOnSilentServer_data();
    void givesUpOnSilentServer();
    void pipelinesWhereOffered_data();
    void pipelinesWhereOffered();
    void sendsNoDataAfterRefusal();
    void oneConnectionForARun();
    void replacesConnectionTheServerClosed_data();
    void replacesConnectionTheServerClosed();
    void changedSettingsTakeEffectAtOnce_data();
    void changedSettingsTakeEffectAtOnce();

private:
    QTemporaryDir m_dir;
    CScriptedMail m_mail{m_dir.path()};
};

void TestMapiServer::initTestCase() {
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    qputenv("CORVANE_MAIL_STALL_SECONDS", QByteArray::number(kStallSeconds));
}

void TestMapiServer::init() {
    QFile::remove(CProfileSettings::FilePath());
}

void TestMapiServer::repliesByMeaning_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<ULONG>("result");
    QTest::addColumn<bool>("pipelining");
    const ULONG nTemporary = MAPI_E_NETWORK_FAILURE;
    const ULONG nTooLarge = MAPI_E_TEXT_TOO_LARGE;
    const ULONG nSender = MAPI_E_ACCESS_DENIED;
    const ULONG nRecipient = MAPI_E_UNKNOWN_RECIPIENT;
    const ULONG nRefused = MAPI_E_FAILURE;
    const QList<std::tuple<const char*, const char*, ULONG>> rows = {
        {"MAIL", "421 4.3.2 Service shutting down", nTemporary},
        {"MAIL", "451 4.3.0 Local error", nTemporary},
        {"MAIL", "452 4.3.1 Insufficient storage", nTemporary},
        {"MAIL", "552 5.3.4 Message size exceeds fixed limit", nTooLarge},
        {"MAIL", "550 5.7.1 Sender refused", nSender},
        {"MAIL", "553 5.1.8 Sender address invalid", nSender},
        {"RCPT", "421 4.3.2 Service shutting down", nTemporary},
        {"RCPT", "450 4.2.1 Mailbox busy", nTemporary},
        {"RCPT", "451 4.3.0 Local error", nTemporary},
        {"RCPT", "452 4.5.3 Too many recipients", nTemporary},
        {"RCPT", "552 5.5.3 Too many recipients", nTemporary},
        {"RCPT", "550 5.1.1 No such user", nRecipient},
        {"RCPT", "551 5.1.6 User not local", nRecipient},
        {"RCPT", "553 5.1.3 Mailbox name not allowed", nRecipient},
        {"DATA", "451 4.3.0 Local error", nTemporary},
        {"DATA", "554 5.5.1 No valid recipients", nRefused},
        {"DOT", "421 4.3.2 Service shutting down", nTemporary},
        {"DOT", "451 4.3.0 Local error", nTemporary},
        {"DOT", "552 5.3.4 Message too big", nTooLarge},
        {"DOT", "554 5.7.1 Message refused as spam", nRefused},
    };
    for (const auto& [pStep, pReply, nResult] : rows) {
        QTest::addRow("%s %.3s", pStep, pReply)
            << QString::fromLatin1(pStep) << QString::fromLatin1(pReply) << nResult << true;
    }
    for (const auto& [pStep, pReply, nResult] : rows) {
        if (QByteArrayView(pReply).startsWith("55"))
            QTest::addRow("%s %.3s, one by one", pStep, pReply)
                << QString::fromLatin1(pStep) << QString::fromLatin1(pReply) << nResult << false;
    }
}

void TestMapiServer::repliesByMeaning() {
    QFETCH(QString, step);
    QFETCH(QString, reply);
    QFETCH(ULONG, result);
    QFETCH(bool, pipelining);
    QStringList arrOptions = {QStringLiteral("--reply"), step + u'=' + reply};
    if (!pipelining)
        arrOptions << QStringLiteral("--no-pipelining");
    const auto pServer = m_mail.StartServer(arrOptions);
    QVERIFY(pServer->Port() > 0);
    CScriptedMail::Configure(*pServer);
    CorvaneResult last{};

    QCOMPARE(CScriptedMail::SendOne(0, QStringLiteral("Hello"), &last), result);

    QCOMPARE(pServer->MessageCount(), 0);
    const int nCode = reply.left(3).toInt();
    QCOMPARE(last.ulResult, result);
    QCOMPARE(last.ulStep, ULONG(StepOf(step)));
    QCOMPARE(last.ulReplyCode, ULONG(nCode));
    QCOMPARE(last.ulTemporary, ULONG(result == MAPI_E_NETWORK_FAILURE));
    QCOMPARE(QString::fromUtf8(last.szReply), reply);
    // A refused envelope is reset, so that the connection can take the next
    // mail; one by one, nothing goes out after the refused command. After a
    // 421 the server closes the connection, and is told nothing more.
    const QStringList arrCommands = pServer->Commands();
    const bool bReset = step != u"DOT" && nCode != 421;
    QCOMPARE(arrCommands.last().startsWith(u"RSET"), bReset);
    if (!pipelining)
        QCOMPARE(arrCommands.at(arrCommands.size() - 2), step == u"DOT" ? u"DATA"_s : step);
}

void TestMapiServer::givesUpOnSilentServer_data() {
    QTest::addColumn<QString>("step");
    for (const char* pStep : {"GREETING", "EHLO", "AUTH", "MAIL", "RCPT", "DATA", "DOT"})
        QTest::newRow(pStep) << QString::fromLatin1(pStep);
}

// Each exchange waits for the limit once, then the mail fails; the limit is
// not spent a second time on saying QUIT to the silent server.
void TestMapiServer::givesUpOnSilentServer() {
    QFETCH(QString, step);
    const auto pServer = m_mail.StartServer({QStringLiteral("--stall"), step});
    QVERIFY(pServer->Port() > 0);
    CScriptedMail::Configure(*pServer);
    QElapsedTimer timer;
    timer.start();
    CorvaneResult last{};

    QCOMPARE(CScriptedMail::SendOne(0, QStringLiteral("Hello"), &last),
             ULONG(MAPI_E_NETWORK_FAILURE));

    const double dSeconds = timer.elapsed() / 1000.0;
    QVERIFY2(dSeconds >= kStallSeconds - 0.5, qPrintable(QString::number(dSeconds)));
    QVERIFY2(dSeconds < kStallSeconds + 1.5, qPrintable(QString::number(dSeconds)));
    // Silent after the data, the server has the mail, and may deliver it.
    QCOMPARE(pServer->MessageCount(), step == u"DOT" ? 1 : 0);
    QCOMPARE(last.ulStep, ULONG(StepOf(step)));
    QCOMPARE(last.ulTemporary, ULONG(1));
    QCOMPARE(QByteArray(last.szReply), "no answer for " + QByteArray::number(kStallSeconds) + " s");
}

void TestMapiServer::pipelinesWhereOffered_data() {
    QTest::addColumn<bool>("offered");
    QTest::newRow("offered") << true;
    QTest::newRow("not offered") << false;
}

// MAIL, RCPT and DATA go out together only where the server offers
// PIPELINING; either way a line of the text that starts with a dot arrives
// as written and does not end the data early.
void TestMapiServer::pipelinesWhereOffered() {
    QFETCH(bool, offered);
    const auto pServer = m_mail.StartServer(
        offered ? QStringList() : QStringList{QStringLiteral("--no-pipelining")});
    CScriptedMail::Configure(*pServer);
    const QString strBody = QStringLiteral(".\r\n..two dots\r\n.x\r\nend");

    QCOMPARE(CScriptedMail::SendOne(1, strBody), SUCCESS_SUCCESS);
    QCOMPARE(CScriptedMail::SendOne(2, strBody), SUCCESS_SUCCESS);

    const QString strWith = offered ? QStringLiteral(" (pipelined)") : QString();
    const QStringList arrMail = {u"MAIL"_s, u"RCPT"_s + strWith, u"DATA"_s + strWith, u"DOT"_s};
    QCOMPARE(pServer->Commands().mid(pServer->Commands().indexOf(u"MAIL"_s)), arrMail + arrMail);
    QCOMPARE(pServer->MessageCount(), 2);
    QVERIFY2(pServer->MessageBytes(2).contains("\r\n.\r\n..two dots\r\n.x\r\nend"),
             pServer->MessageBytes(2).constData());
}

// A server that accepts DATA after refusing the recipient is sent no data:
// the connection is closed rather than a mail finished without a recipient.
void TestMapiServer::sendsNoDataAfterRefusal() {
    const auto pServer = m_mail.StartServer({QStringLiteral("--reply"),
                                             QStringLiteral("RCPT=550 5.1.1 No such user"),
                                             QStringLiteral("--data-despite-refusal")});
    CScriptedMail::Configure(*pServer);

    QCOMPARE(CScriptedMail::SendOne(1), ULONG(MAPI_E_UNKNOWN_RECIPIENT));
    QCOMPARE(CScriptedMail::SendOne(2), ULONG(MAPI_E_UNKNOWN_RECIPIENT));

    QCOMPARE(pServer->MessageCount(), 0);
    QVERIFY(!pServer->Commands().contains(u"DOT"_s));
    QCOMPARE(pServer->ConnectionCount(), 2);
}

// Load, logon, send, logoff and unload for each of 100 mails: one
// connection, one login, and the login in one command.
void TestMapiServer::oneConnectionForARun() {
    const auto pServer = m_mail.StartServer();
    CScriptedMail::Configure(*pServer);
    constexpr int kMails = 100;

    for (int i = 0; i < kMails; ++i)
        QCOMPARE(CScriptedMail::SendOne(i), SUCCESS_SUCCESS);

    QCOMPARE(pServer->MessageCount(), kMails);
    QCOMPARE(pServer->ConnectionCount(), 1);
    const QStringList arrCommands = pServer->Commands();
    QCOMPARE(arrCommands.filter(QStringLiteral("AUTH")),
             QStringList{QStringLiteral("AUTH PLAIN +initial")});
    QCOMPARE(arrCommands.count(QStringLiteral("MAIL")), kMails);
}

void TestMapiServer::replacesConnectionTheServerClosed_data() {
    QTest::addColumn<QStringList>("closing");
    QTest::newRow("silently") << QStringList();
    QTest::newRow("after a 421 reply") << QStringList{
        QStringLiteral("--idle-close-reply"), QStringLiteral("421 4.4.2 Idle too long, closing")};
}

void TestMapiServer::replacesConnectionTheServerClosed() {
    QFETCH(QStringList, closing);
    const auto pServer = m_mail.StartServer(
        QStringList{QStringLiteral("--idle-close-ms"), QStringLiteral("300")} + closing);
    CScriptedMail::Configure(*pServer);

    QCOMPARE(CScriptedMail::SendOne(1), SUCCESS_SUCCESS);
    QThread::msleep(1000);
    QCOMPARE(CScriptedMail::SendOne(2), SUCCESS_SUCCESS);

    QCOMPARE(pServer->MessageCount(), 2);
    QCOMPARE(pServer->ConnectionCount(), 2);
}

void TestMapiServer::changedSettingsTakeEffectAtOnce_data() {
    QTest::addColumn<QString>("firstPassword");
    QTest::addColumn<ULONG>("firstResult");
    QTest::addColumn<QString>("secondPassword");
    QTest::addColumn<ULONG>("secondResult");
    QTest::addColumn<bool>("secondServer");
    const ULONG nLogon = MAPI_E_LOGON_FAILURE;
    QTest::newRow("wrong password, then the right one")
        << "wrong" << nLogon << CScriptedMail::kPassword << SUCCESS_SUCCESS << false;
    QTest::newRow("right password, then a wrong one")
        << CScriptedMail::kPassword << SUCCESS_SUCCESS << "wrong" << nLogon << false;
    QTest::newRow("another server") << CScriptedMail::kPassword << SUCCESS_SUCCESS
                                    << CScriptedMail::kPassword << SUCCESS_SUCCESS << true;
}

void TestMapiServer::changedSettingsTakeEffectAtOnce() {
    QFETCH(QString, firstPassword);
    QFETCH(ULONG, firstResult);
    QFETCH(QString, secondPassword);
    QFETCH(ULONG, secondResult);
    QFETCH(bool, secondServer);
    const auto pFirst = m_mail.StartServer();
    const auto pSecond = secondServer ? m_mail.StartServer() : nullptr;
    CScriptedMail::Configure(*pFirst, firstPassword);
    QCOMPARE(CScriptedMail::SendOne(1), firstResult);

    CScriptedMail::Configure(secondServer ? *pSecond : *pFirst, secondPassword);
    QCOMPARE(CScriptedMail::SendOne(2), secondResult);

    const int nDelivered = (firstResult == SUCCESS_SUCCESS) + (secondResult == SUCCESS_SUCCESS);
    const int nSecondServerMails = secondServer ? pSecond->MessageCount() : 0;
    QCOMPARE(pFirst->MessageCount() + nSecondServerMails, nDelivered);
    if (secondServer)
        QCOMPARE(nSecondServerMails, 1);
}

QTEST_GUILESS_MAIN(TestMapiServer)
#include "tst_mapi_server.moc"
