// How a call of libmapi32.so ended, as CorvaneLastResult tells it: a logon
// that failed, with the server's reply and never the password, for the
// calling thread alone; and CorvaneAbortSend ending a call that waits on a
// silent server.

#include "CScriptedMail.h"
#include "CTestMailLibrary.h"
#include "CTestMapiMessage.h"
#include "platform/settings/CProfileSettings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// Long enough that only an abort can end a stalled call within the test.
constexpr int kStallSeconds = 60;
constexpr qint64 kAtOnceMs = 5000;
constexpr int kStartWaitMs = 20000;

// What the server's log shows once the client waits at the stalled step.
bool HasReached(const CSmtpTestServer& server, const QString& strStep) {
    if (strStep == u"GREETING")
        return server.ConnectionCount() > 0;
    return server.Commands().contains(strStep);
}

} // namespace

class TestMapiResult : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void tellsWhyLogonFailed_data();
    void tellsWhyLogonFailed();
    void abortEndsWaitAtOnce_data();
    void abortEndsWaitAtOnce();

private:
    QTemporaryDir m_dir;
    CScriptedMail m_mail{m_dir.path()};
};

void TestMapiResult::initTestCase() {
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(u"config"_s)));
    qputenv("CORVANE_MAIL_STALL_SECONDS", QByteArray::number(kStallSeconds));
}

void TestMapiResult::init() {
    QFile::remove(CProfileSettings::FilePath());
}

void TestMapiResult::tellsWhyLogonFailed_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("serverRuns");
    QTest::addColumn<ULONG>("result");
    QTest::addColumn<ULONG>("step");
    QTest::addColumn<ULONG>("replyCode");
    QTest::addColumn<ULONG>("temporary");
    QTest::addColumn<QString>("reply");
    const ULONG nLogon = MAPI_E_LOGON_FAILURE;
    const ULONG nNetwork = MAPI_E_NETWORK_FAILURE;
    QTest::newRow("login quoted back in the refusal")
        << QStringList{u"--echo-auth"_s} << u"wrong"_s << true << nLogon
        << ULONG(CORVANE_STEP_LOGIN) << ULONG(535) << ULONG(0)
        << u"535 5.7.8 Authentication failed for AUTH PLAIN [hidden] (jane:[hidden])"_s;
    QTest::newRow("busy server's greeting")
        << QStringList{u"--reply"_s, u"GREETING=421 4.7.0 Too busy, try later"_s}
        << CScriptedMail::kPassword << true << nNetwork << ULONG(CORVANE_STEP_CONNECT) << ULONG(421)
        << ULONG(1) << u"421 4.7.0 Too busy, try later"_s;
    QTest::newRow("nothing listens")
        << QStringList() << CScriptedMail::kPassword << false << nNetwork
        << ULONG(CORVANE_STEP_CONNECT) << ULONG(0) << ULONG(1) << u"connection refused"_s;
}

void TestMapiResult::tellsWhyLogonFailed() {
    QFETCH(QStringList, options);
    QFETCH(QString, password);
    QFETCH(bool, serverRuns);
    QFETCH(ULONG, result);
    QFETCH(ULONG, step);
    QFETCH(ULONG, replyCode);
    QFETCH(ULONG, temporary);
    QFETCH(QString, reply);
    const auto pServer = m_mail.StartServer(options);
    QVERIFY(pServer->Port() > 0);
    CScriptedMail::Configure(*pServer, password);
    if (!serverRuns)
        pServer->Stop();
    CTestMailLibrary library;
    LHANDLE hSession = 0;

    QCOMPARE(library.m_pfnLogon(0, nullptr, nullptr, 0, 0, &hSession), result);

    const CorvaneResult last = library.LastResult();
    QCOMPARE(last.ulResult, result);
    QCOMPARE(last.ulStep, step);
    QCOMPARE(last.ulReplyCode, replyCode);
    QCOMPARE(last.ulTemporary, temporary);
    QCOMPARE(QString::fromUtf8(last.szReply), reply);
    // Another thread has a last result of its own: none yet.
    CorvaneResult other{};
    other.ulResult = MAPI_E_FAILURE;
    std::thread([&] { other = library.LastResult(); }).join();
    QCOMPARE(other.ulResult, SUCCESS_SUCCESS);
    QCOMPARE(other.ulStep, ULONG(CORVANE_STEP_NONE));
}

void TestMapiResult::abortEndsWaitAtOnce_data() {
    QTest::addColumn<QString>("stalled");
    QTest::addColumn<ULONG>("step");
    QTest::newRow("greeting, in libcurl's login") << u"GREETING"_s << ULONG(CORVANE_STEP_CONNECT);
    QTest::newRow("MAIL, in the library's own exchange") << u"MAIL"_s << ULONG(CORVANE_STEP_MAIL);
}

// A second thread aborts once the server has gone silent; the call returns
// at once, and the next call works as usual.
void TestMapiResult::abortEndsWaitAtOnce() {
    QFETCH(QString, stalled);
    QFETCH(ULONG, step);
    const auto pSilent = m_mail.StartServer({u"--stall"_s, stalled});
    const auto pAnswering = m_mail.StartServer();
    QVERIFY(pSilent->Port() > 0 && pAnswering->Port() > 0);
    CScriptedMail::Configure(*pSilent);
    CTestMailLibrary library;
    CTestMapiMessage message(u"Ann"_s, "ann@example.org", u"Offer"_s, u"Hello"_s);
    QElapsedTimer timer;
    timer.start();
    std::atomic<qint64> nAbortedAt = -1;
    std::thread aborter([&] {
        while (!HasReached(*pSilent, stalled) && timer.elapsed() < kStartWaitMs)
            QThread::msleep(20);
        nAbortedAt = timer.elapsed();
        library.m_pfnAbortSend();
    });
    CorvaneResult last{};

    const ULONG nResult = library.SendOne(message.Get(), 0, &last);

    const qint64 nReturnedAt = timer.elapsed();
    aborter.join();
    QCOMPARE(nResult, ULONG(MAPI_E_USER_ABORT));
    QVERIFY2(nReturnedAt - nAbortedAt < kAtOnceMs, qPrintable(QString::number(nReturnedAt)));
    QCOMPARE(last.ulStep, step);
    QCOMPARE(QByteArray(last.szReply), "sending stopped");
    CScriptedMail::Configure(*pAnswering);
    QCOMPARE(library.SendOne(message.Get()), SUCCESS_SUCCESS);
    QCOMPARE(pAnswering->MessageCount(), 1);
}

QTEST_GUILESS_MAIN(TestMapiResult)
#include "tst_mapi_result.moc"
