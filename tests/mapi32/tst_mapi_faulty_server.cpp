// libmapi32.so against servers that misbehave (scripted_smtp_server.py):
// replies that come when none is due, a reply that trickles, a reply too
// large to be SMTP, and kept connections that the server gave up on.

#include "CScriptedMail.h"
#include "CTestMailLibrary.h"
#include "CTestMapiMessage.h"
#include "platform/settings/CProfileSettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int kStallSeconds = 3;
const QString kRefusedRecipient = u"RCPT=550 5.1.1 No such user"_s;

// A session of the library with two mails, a pause between them.
struct TwoMails {
    ULONG nFirst = MAPI_E_FAILURE;
    ULONG nSecond = MAPI_E_FAILURE;
};

TwoMails SendTwoInOneSession(int nPauseMs) {
    CTestMailLibrary library;
    TwoMails results;
    LHANDLE hSession = 0;
    if (!library.IsUsable() ||
        library.m_pfnLogon(0, nullptr, nullptr, 0, 0, &hSession) != SUCCESS_SUCCESS)
        return results;
    CTestMapiMessage first(u"Ann"_s, "ann@example.org", u"First"_s, u"Hello"_s);
    CTestMapiMessage second(u"Bob"_s, "bob@example.org", u"Second"_s, u"Hello"_s);
    results.nFirst = library.m_pfnSendMail(hSession, 0, first.Get(), 0, 0);
    QThread::msleep(nPauseMs);
    results.nSecond = library.m_pfnSendMail(hSession, 0, second.Get(), 0, 0);
    library.m_pfnLogoff(hSession, 0, 0, 0);
    return results;
}

} // namespace

class TestMapiFaultyServer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void failsRepliesOutOfStep_data();
    void failsRepliesOutOfStep();
    void replacesConnectionWithStaleReply();
    void limitsTricklingReply_data();
    void limitsTricklingReply();
    void boundsReplySize_data();
    void boundsReplySize();
    void replacesKeptConnectionAnswering421_data();
    void replacesKeptConnectionAnswering421();

private:
    QTemporaryDir m_dir;
    CScriptedMail m_mail{m_dir.path()};
};

void TestMapiFaultyServer::initTestCase() {
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(u"config"_s)));
    qputenv("CORVANE_MAIL_STALL_SECONDS", QByteArray::number(kStallSeconds));
}

void TestMapiFaultyServer::init() {
    QFile::remove(CProfileSettings::FilePath());
}

void TestMapiFaultyServer::failsRepliesOutOfStep_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<ULONG>("step");
    QTest::addColumn<bool>("dataSent");
    const QStringList arrRefusedAfterData = {u"--reply"_s, u"DOT=554 5.7.1 Refused"_s};
    const QStringList arrExtraAfter354 = {u"--extra"_s, u"DATA=250 2.0.0 Extra"_s};
    QTest::newRow("extra 250 after 354, pipelined")
        << arrExtraAfter354 + arrRefusedAfterData << ULONG(CORVANE_STEP_DATA) << false;
    QTest::newRow("extra 250 after 354, one by one")
        << arrExtraAfter354 + arrRefusedAfterData + QStringList{u"--no-pipelining"_s}
        << ULONG(CORVANE_STEP_DATA) << false;
    QTest::newRow("extra reply inside a pipelined group")
        << QStringList{u"--extra"_s, u"MAIL=250 2.1.0 Extra"_s} + arrRefusedAfterData
        << ULONG(CORVANE_STEP_DATA) << false;
    QTest::newRow("second reply to the end of data")
        << QStringList{u"--extra"_s, u"DOT=554 5.7.1 Refused after all"_s}
        << ULONG(CORVANE_STEP_END_OF_DATA) << true;
}

// A reply that is not due is never taken as the answer to a command: the
// mail fails, and its connection is not used again.
void TestMapiFaultyServer::failsRepliesOutOfStep() {
    QFETCH(QStringList, options);
    QFETCH(ULONG, step);
    QFETCH(bool, dataSent);
    const auto pServer = m_mail.StartServer(options);
    QVERIFY(pServer->Port() > 0);
    CScriptedMail::Configure(*pServer);
    CorvaneResult last{};

    QCOMPARE(CScriptedMail::SendOne(1, u"Hello"_s, &last), ULONG(MAPI_E_NETWORK_FAILURE));
    QCOMPARE(CScriptedMail::SendOne(2), ULONG(MAPI_E_NETWORK_FAILURE));

    QCOMPARE(last.ulStep, step);
    QCOMPARE(last.ulTemporary, ULONG(0));
    QCOMPARE(QByteArray(last.szReply), "reply out of step");
    QCOMPARE(pServer->Commands().contains(u"DOT"_s), dataSent);
    QCOMPARE(pServer->ConnectionCount(), 2);
}

// A reply that comes after a mail ended waits on the connection when the
// next mail of the session starts: that mail goes on a new connection, and
// its own refusal is what it reports.
void TestMapiFaultyServer::replacesConnectionWithStaleReply() {
    const auto pServer =
        m_mail.StartServer({u"--reply"_s, kRefusedRecipient, u"--extra"_s, u"NOOP=250 2.0.0 Late"_s,
                            u"--extra-delay-ms"_s, u"200"_s});
    QVERIFY(pServer->Port() > 0);
    CScriptedMail::Configure(*pServer);

    const TwoMails results = SendTwoInOneSession(800);

    QCOMPARE(results.nFirst, ULONG(MAPI_E_UNKNOWN_RECIPIENT));
    QCOMPARE(results.nSecond, ULONG(MAPI_E_UNKNOWN_RECIPIENT));
    QCOMPARE(pServer->ConnectionCount(), 2);
}

void TestMapiFaultyServer::limitsTricklingReply_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<ULONG>("resultStep");
    QTest::newRow("MAIL, a byte a second") << u"MAIL"_s << ULONG(CORVANE_STEP_MAIL);
    QTest::newRow("end of data, a byte a second") << u"DOT"_s << ULONG(CORVANE_STEP_END_OF_DATA);
}

// Each reply is longer than the limit has seconds: a limit that started
// again with every byte would let it through.
void TestMapiFaultyServer::limitsTricklingReply() {
    QFETCH(QString, step);
    QFETCH(ULONG, resultStep);
    const auto pServer = m_mail.StartServer({u"--trickle"_s, step});
    QVERIFY(pServer->Port() > 0);
    CScriptedMail::Configure(*pServer);
    CorvaneResult last{};

    QCOMPARE(CScriptedMail::SendOne(1, u"Hello"_s, &last), ULONG(MAPI_E_NETWORK_FAILURE));

    QCOMPARE(last.ulStep, resultStep);
    QCOMPARE(last.ulTemporary, ULONG(1));
    QCOMPARE(QByteArray(last.szReply), "no answer for " + QByteArray::number(kStallSeconds) + " s");
}

void TestMapiFaultyServer::boundsReplySize_data() {
    QTest::addColumn<int>("bytes");
    QTest::addColumn<ULONG>("result");
    QTest::newRow("512 KiB of short lines") << 512 * 1024 << SUCCESS_SUCCESS;
    QTest::newRow("2 MiB of short lines") << 2 * 1024 * 1024 << ULONG(MAPI_E_NETWORK_FAILURE);
}

void TestMapiFaultyServer::boundsReplySize() {
    QFETCH(int, bytes);
    QFETCH(ULONG, result);
    const auto pServer = m_mail.StartServer({u"--long-reply"_s, u"MAIL=%1"_s.arg(bytes)});
    QVERIFY(pServer->Port() > 0);
    CScriptedMail::Configure(*pServer);
    CorvaneResult last{};

    QCOMPARE(CScriptedMail::SendOne(1, u"Hello"_s, &last), result);

    QCOMPARE(pServer->MessageCount(), result == SUCCESS_SUCCESS ? 1 : 0);
    if (result != SUCCESS_SUCCESS)
        QCOMPARE(QByteArray(last.szReply), "no SMTP reply");
}

void TestMapiFaultyServer::replacesKeptConnectionAnswering421_data() {
    QTest::addColumn<bool>("oneSession");
    QTest::newRow("parked between two sessions") << false;
    QTest::newRow("kept within one session") << true;
}

// The server answers the first command of a mail on a kept connection with
// 421 and closes it: the mail goes on a new connection, without a failure.
void TestMapiFaultyServer::replacesKeptConnectionAnswering421() {
    QFETCH(bool, oneSession);
    const auto pServer =
        m_mail.StartServer({u"--later-mail-reply"_s, u"421 4.4.2 Idle too long, closing"_s});
    QVERIFY(pServer->Port() > 0);
    CScriptedMail::Configure(*pServer);

    if (oneSession) {
        const TwoMails results = SendTwoInOneSession(0);
        QCOMPARE(results.nFirst, SUCCESS_SUCCESS);
        QCOMPARE(results.nSecond, SUCCESS_SUCCESS);
    } else {
        QCOMPARE(CScriptedMail::SendOne(1), SUCCESS_SUCCESS);
        QCOMPARE(CScriptedMail::SendOne(2), SUCCESS_SUCCESS);
    }

    QCOMPARE(pServer->MessageCount(), 2);
    QCOMPARE(pServer->ConnectionCount(), 2);
}

QTEST_GUILESS_MAIN(TestMapiFaultyServer)
#include "tst_mapi_faulty_server.moc"
