// libmapi32.so logging in with an OAuth 2.0 access token (Auth=oauth2) that
// it renews itself with the stored refresh token, against the test
// authorization server and an SMTP server that accepts only its current
// access tokens. CTest runs this program twice: with a GNOME Keyring of its
// own holding the refresh token (CORVANE_TEST_KEYRING=1), and with no
// session bus, where the token file beside the settings holds it.

#include "COAuthTestServers.h"
#include "CTestMailLibrary.h"
#include "CTestMapiMessage.h"
#include "platform/oauth/COAuthSettings.h"
#include "platform/oauth/CTokenStore.h"
#include "platform/settings/CProfileSettings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <memory>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

const QString kSeed = u"rt-seed"_s;
const QString kProvider = QString::fromLatin1(COAuthTestServers::kProvider);
const QString kUser = QString::fromLatin1(COAuthTestServers::kUser);
constexpr qint64 kAtOnceMs = 5000;
constexpr int kStartWaitMs = 20000;

// A token in the text as it is, or in any word of it read as base64 (as a
// SASL message carries it).
bool ShowsAnyOf(const QByteArray& text, const QStringList& arrTokens) {
    QList<QByteArray> arrForms{text};
    for (const QByteArray& word : text.split(' ')) {
        const auto decoded =
            QByteArray::fromBase64Encoding(word, QByteArray::AbortOnBase64DecodingErrors);
        if (decoded)
            arrForms << *decoded;
    }
    for (const QString& strToken : arrTokens) {
        for (const QByteArray& form : arrForms) {
            if (form.contains(strToken.toUtf8()))
                return true;
        }
    }
    return false;
}

} // namespace

class TestMapiOAuth : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void logsInWithBearerToken_data();
    void logsInWithBearerToken();
    void renewsTokenAcrossExpiry_data();
    void renewsTokenAcrossExpiry();
    void refusedSignInFailsLogon_data();
    void refusedSignInFailsLogon();
    void revokedWhileTokenKept();
    void tokenEndpointDownIsTemporary_data();
    void tokenEndpointDownIsTemporary();
    void refusedTokenNeverQuoted_data();
    void refusedTokenNeverQuoted();
    void abortEndsTokenWait();

private:
    std::unique_ptr<COAuthTestServers> Start(const QStringList& arrAuthority,
                                             const QStringList& arrSmtp = {});
    ULONG SendOne(CorvaneResult* pLast = nullptr);

    QTemporaryDir m_dir;
    std::unique_ptr<CTestMailLibrary> m_pLibrary;
    CTokenStore::Place m_eStorePlace = CTokenStore::Place::None;
    int m_nServers = 0;
};

void TestMapiOAuth::initTestCase() {
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(u"config"_s)));
    m_eStorePlace = qgetenv("CORVANE_TEST_KEYRING") == "1" ? CTokenStore::Place::Keyring
                                                           : CTokenStore::Place::TokenFile;
    m_pLibrary = std::make_unique<CTestMailLibrary>();
    QVERIFY2(m_pLibrary->IsUsable(), qPrintable(m_pLibrary->ErrorText()));
}

// Every test starts signed in with the seed token, where this run keeps it.
void TestMapiOAuth::init() {
    QFile::remove(CProfileSettings::FilePath());
    QVERIFY(CTokenStore::Remove(kProvider, kUser));
    QCOMPARE(CTokenStore::Store(kProvider, kUser, kSeed), m_eStorePlace);
}

std::unique_ptr<COAuthTestServers> TestMapiOAuth::Start(const QStringList& arrAuthority,
                                                        const QStringList& arrSmtp) {
    auto pServers =
        std::make_unique<COAuthTestServers>(m_dir.filePath(u"servers%1"_s.arg(++m_nServers)));
    const bool bStarted =
        pServers->StartAuthority(arrAuthority + QStringList{u"--seed-refresh"_s, kSeed}) &&
        pServers->StartSmtp(arrSmtp);
    if (!bStarted)
        qWarning("test server: %s", qPrintable(pServers->ErrorText()));
    pServers->WriteSettings();
    return pServers;
}

ULONG TestMapiOAuth::SendOne(CorvaneResult* pLast) {
    CTestMapiMessage message(u"Ann"_s, "ann@example.org", u"Hello"_s, u"Body"_s);
    return m_pLibrary->SendOne(message.Get(), 0, pLast);
}

// OAUTHBEARER is the standard (RFC 7628); XOAUTH2 is what some providers
// offer alone.
void TestMapiOAuth::logsInWithBearerToken_data() {
    QTest::addColumn<QString>("offered");
    QTest::addColumn<QString>("used");
    QTest::newRow("XOAUTH2 only") << u"XOAUTH2"_s << u"XOAUTH2"_s;
    QTest::newRow("OAUTHBEARER only") << u"OAUTHBEARER"_s << u"OAUTHBEARER"_s;
    QTest::newRow("both") << u"XOAUTH2,OAUTHBEARER"_s << u"OAUTHBEARER"_s;
}

void TestMapiOAuth::logsInWithBearerToken() {
    QFETCH(QString, offered);
    QFETCH(QString, used);
    const auto pServers = Start({}, {u"--oauth-mechanisms"_s, offered});

    QCOMPARE(SendOne(), SUCCESS_SUCCESS);

    QCOMPARE(pServers->Smtp().MessageCount(), 1);
    QCOMPARE(pServers->Mechanisms(), QStringList{used});
}

// Tokens that live two seconds, a server that takes two mails per
// connection, and a mail every 200 ms: logins keep needing a token, and
// only a renewed one is accepted. A provider that hands out a new refresh
// token with each renewal takes the old one back, so the new one must be
// kept where the old one was.
void TestMapiOAuth::renewsTokenAcrossExpiry_data() {
    QTest::addColumn<bool>("rotate");
    QTest::addColumn<bool>("inSettingsFile");
    QTest::newRow("refresh token kept") << false << false;
    QTest::newRow("refresh token replaced each time") << true << false;
    QTest::newRow("replaced, OAuthRefreshToken in the settings file") << true << true;
}

void TestMapiOAuth::renewsTokenAcrossExpiry() {
    QFETCH(bool, rotate);
    QFETCH(bool, inSettingsFile);
    QStringList arrAuthority{u"--lifetime"_s, u"2"_s};
    if (rotate)
        arrAuthority << u"--rotate"_s;
    const auto pServers = Start(arrAuthority, {u"--mails-per-connection"_s, u"2"_s});
    if (inSettingsFile) {
        QVERIFY(CTokenStore::Remove(kProvider, kUser));
        CProfileSettings::WriteProfileValue(CProfileSettings::kSectionMailSystem,
                                            COAuthSettings::kKeyRefreshToken, kSeed);
    }

    for (int i = 0; i < 20; ++i) {
        QCOMPARE(SendOne(), SUCCESS_SUCCESS);
        QTest::qWait(200);
    }

    QCOMPARE(pServers->Smtp().MessageCount(), 20);
    QVERIFY2(pServers->Grants().count(u"refresh_token"_s) >= 2,
             qPrintable(pServers->Grants().join(u' ')));
    const CTokenStore::Found stored = CTokenStore::Lookup(kProvider, kUser);
    QCOMPARE(stored.ePlace, inSettingsFile ? CTokenStore::Place::SettingsFile : m_eStorePlace);
    QCOMPARE(stored.strToken, rotate ? pServers->Issued().last() : kSeed);
}

// The provider repeats the refresh token in its refusal (--echo-in-error):
// the reply text names its error code only.
void TestMapiOAuth::refusedSignInFailsLogon_data() {
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("reply");
    QTest::newRow("access revoked")
        << u"revoked"_s
        << u"the sign-in was refused (invalid_grant): sign in again in Mail Settings"_s;
    QTest::newRow("never signed in")
        << u"no token"_s << u"not signed in: sign in in Mail Settings"_s;
    QTest::newRow("client unknown to the provider")
        << u"client"_s
        << u"the sign-in was refused (invalid_client): sign in again in Mail Settings"_s;
}

void TestMapiOAuth::refusedSignInFailsLogon() {
    QFETCH(QString, cause);
    QFETCH(QString, reply);
    const auto pServers = Start({u"--echo-in-error"_s});
    if (cause == u"revoked")
        pServers->Revoke();
    if (cause == u"no token")
        QVERIFY(CTokenStore::Remove(kProvider, kUser));
    if (cause == u"client")
        CProfileSettings::WriteProfileValue(CProfileSettings::kSectionMailSystem,
                                            COAuthSettings::kKeyClientId, u"someone-else"_s);
    CorvaneResult last{};

    QCOMPARE(SendOne(&last), MAPI_E_LOGON_FAILURE);

    QCOMPARE(last.ulStep, ULONG(CORVANE_STEP_TOKEN));
    QCOMPARE(last.ulTemporary, ULONG(0));
    QCOMPARE(QString::fromUtf8(last.szReply), reply);
    QCOMPARE(pServers->Smtp().MessageCount(), 0);
    QCOMPARE(pServers->Mechanisms(), QStringList());
}

// The access token kept from the last mail is refused once the user has
// revoked the access: the library renews it, which the provider refuses too.
void TestMapiOAuth::revokedWhileTokenKept() {
    const auto pServers = Start({}, {u"--mails-per-connection"_s, u"1"_s});
    QCOMPARE(SendOne(), SUCCESS_SUCCESS);
    pServers->Revoke();

    QCOMPARE(SendOne(), MAPI_E_LOGON_FAILURE);

    QCOMPARE(pServers->Smtp().MessageCount(), 1);
    QCOMPARE(pServers->Grants(), QStringList{u"refresh_token"_s});
}

void TestMapiOAuth::tokenEndpointDownIsTemporary_data() {
    QTest::addColumn<QStringList>("authority");
    QTest::addColumn<QString>("reply");
    QTest::newRow("nobody listening")
        << QStringList{u"stopped"_s} << u"the sign-in server cannot be reached"_s;
    QTest::newRow("server error") << QStringList{u"--fail"_s, u"503"_s}
                                  << u"the sign-in server failed (temporarily_unavailable)"_s;
    QTest::newRow("too many requests") << QStringList{u"--fail"_s, u"429"_s}
                                       << u"the sign-in server failed (temporarily_unavailable)"_s;
}

void TestMapiOAuth::tokenEndpointDownIsTemporary() {
    QFETCH(QStringList, authority);
    QFETCH(QString, reply);
    const bool bStopped = authority == QStringList{u"stopped"_s};
    const auto pServers = Start(bStopped ? QStringList() : authority);
    if (bStopped)
        pServers->Authority().Stop();
    CorvaneResult last{};

    QCOMPARE(SendOne(&last), MAPI_E_NETWORK_FAILURE);

    QCOMPARE(last.ulStep, ULONG(CORVANE_STEP_TOKEN));
    QCOMPARE(last.ulTemporary, ULONG(1));
    QCOMPARE(QString::fromUtf8(last.szReply), reply);
    QCOMPARE(pServers->Mechanisms(), QStringList());
}

// The SMTP server refuses every token for this user and quotes the login
// back: the reply text shows neither the token nor the SASL message that
// carries it, whose host is an IPv6 address without its brackets.
void TestMapiOAuth::refusedTokenNeverQuoted_data() {
    QTest::addColumn<QString>("mechanism");
    QTest::addColumn<QString>("host");
    QTest::newRow("XOAUTH2") << u"XOAUTH2"_s << u"127.0.0.1"_s;
    QTest::newRow("OAUTHBEARER") << u"OAUTHBEARER"_s << u"127.0.0.1"_s;
    QTest::newRow("OAUTHBEARER to an IPv6 address") << u"OAUTHBEARER"_s << u"::1"_s;
}

void TestMapiOAuth::refusedTokenNeverQuoted() {
    QFETCH(QString, mechanism);
    QFETCH(QString, host);
    const auto pServers =
        Start({}, {u"--oauth-mechanisms"_s, mechanism, u"--echo-auth"_s, u"--user"_s,
                   u"someone-else@example.com"_s, u"--host"_s, host});
    if (host.contains(u':') && pServers->Smtp().Port() <= 0)
        QSKIP("This machine has no IPv6 loopback address.");
    if (host.contains(u':'))
        CProfileSettings::WriteProfileValue(CProfileSettings::kSectionMailSystem,
                                            CProfileSettings::kKeyServer,
                                            pServers->Smtp().Url(u"smtp"_s, u'[' + host + u']'));
    CorvaneResult last{};

    QCOMPARE(SendOne(&last), MAPI_E_LOGON_FAILURE);

    QCOMPARE(last.ulStep, ULONG(CORVANE_STEP_LOGIN));
    QCOMPARE(last.ulReplyCode, ULONG(535));
    const QByteArray reply(last.szReply);
    const QByteArray quoted = "535 5.7.8 Authentication failed for AUTH " + mechanism.toLatin1();
    QVERIFY2(reply.startsWith(quoted), reply.constData());
    QVERIFY2(reply.contains("[hidden]"), reply.constData());
    QCOMPARE(pServers->Mechanisms().value(0), mechanism);
    QVERIFY(!pServers->Issued().isEmpty());
    QVERIFY2(!ShowsAnyOf(reply, pServers->Issued() << kSeed), reply.constData());
}

// A token endpoint that never answers holds the logon until another thread
// aborts the send.
void TestMapiOAuth::abortEndsTokenWait() {
    const auto pServers = Start({u"--stall"_s});
    QElapsedTimer timer;
    timer.start();
    std::atomic<qint64> nAbortedAt = -1;
    std::thread aborter([&] {
        while (pServers->ClientSecrets().isEmpty() && timer.elapsed() < kStartWaitMs)
            QThread::msleep(20);
        nAbortedAt = timer.elapsed();
        m_pLibrary->m_pfnAbortSend();
    });
    CorvaneResult last{};

    const ULONG nResult = SendOne(&last);

    const qint64 nReturnedAt = timer.elapsed();
    aborter.join();
    QCOMPARE(nResult, ULONG(MAPI_E_USER_ABORT));
    QVERIFY2(nReturnedAt - nAbortedAt < kAtOnceMs, qPrintable(QString::number(nReturnedAt)));
    QCOMPARE(last.ulStep, ULONG(CORVANE_STEP_TOKEN));
    QCOMPARE(QByteArray(last.szReply), "sending stopped");
}

QTEST_GUILESS_MAIN(TestMapiOAuth)
#include "tst_mapi_oauth.moc"
