// The OAuth 2.0 sign-in against the test authorization server on 127.0.0.1:
// in the browser (the test plays the browser and follows the provider's
// redirect to the loopback port), with a code (RFC 8628), and on the
// command line (corvane --sign-in). The refresh token goes to the token file
// beside the settings: the tests run without a session bus.

#include "COAuthTestServers.h"
#include "CTestBrowser.h"
#include "platform/oauth/CDeviceSignIn.h"
#include "platform/oauth/CLoopbackSignIn.h"
#include "platform/oauth/CTokenStore.h"
#include "platform/settings/CProfileSettings.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString kProvider = QString::fromLatin1(COAuthTestServers::kProvider);
const QString kUser = QString::fromLatin1(COAuthTestServers::kUser);
constexpr int kSignInWaitMs = 30000;

// Codes and tokens of the test server all start like this.
const QRegularExpression reSecret(u"\\b(at|rt|dc|code)-"_s);

QString FileText(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestSignIn : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void browserSignIn_data();
    void browserSignIn();
    void noBrowser();
    void signInWithCode_data();
    void signInWithCode();
    void commandLineSignIn_data();
    void commandLineSignIn();

private:
    std::unique_ptr<COAuthTestServers> Start(const QStringList& arrAuthority);
    std::optional<CSignInOutcome> Run(CSignIn& signIn);

    QTemporaryDir m_dir;
    int m_nServers = 0;
};

void TestSignIn::initTestCase() {
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(u"config"_s)));
}

void TestSignIn::init() {
    QFile::remove(CProfileSettings::FilePath());
    QFile::remove(CTokenStore::FilePath());
}

std::unique_ptr<COAuthTestServers> TestSignIn::Start(const QStringList& arrAuthority) {
    auto pServers =
        std::make_unique<COAuthTestServers>(m_dir.filePath(u"servers%1"_s.arg(++m_nServers)));
    if (!pServers->StartAuthority(arrAuthority))
        qWarning("test server: %s", qPrintable(pServers->ErrorText()));
    pServers->WriteSettings();
    return pServers;
}

std::optional<CSignInOutcome> TestSignIn::Run(CSignIn& signIn) {
    std::optional<CSignInOutcome> outcome;
    connect(&signIn, &CSignIn::finished, this,
            [&outcome](const CSignInOutcome& finished) { outcome = finished; });
    signIn.Start();
    if (!QTest::qWaitFor([&outcome] { return outcome.has_value(); }, kSignInWaitMs))
        return std::nullopt;
    return outcome;
}

void TestSignIn::browserSignIn_data() {
    QTest::addColumn<QStringList>("authority");
    QTest::addColumn<QString>("clientSecret");
    QTest::addColumn<CTestBrowser::Redirect>("redirect");
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<QString>("problem");
    QTest::newRow("approved") << QStringList() << QString() << CTestBrowser::Redirect::Follow << true
                              << QString();
    QTest::newRow("approved, client with a secret")
        << QStringList() << u"desktop-secret"_s << CTestBrowser::Redirect::Follow << true << QString();
    QTest::newRow("provider refuses") << QStringList{u"--authorize-error"_s, u"access_denied"_s}
                                      << QString() << CTestBrowser::Redirect::Follow << false
                                      << u"refused the sign-in (access_denied)"_s;
    QTest::newRow("answer with another state")
        << QStringList{u"--echo-in-error"_s} << QString() << CTestBrowser::Redirect::ForgeState << false
        << u"not of this sign-in"_s;
}

void TestSignIn::browserSignIn() {
    QFETCH(QStringList, authority);
    QFETCH(QString, clientSecret);
    QFETCH(CTestBrowser::Redirect, redirect);
    QFETCH(bool, signedIn);
    QFETCH(QString, problem);
    const auto pServers = Start(authority);
    if (!clientSecret.isEmpty())
        CProfileSettings::WriteProfileValue(CProfileSettings::kSectionMailSystem,
                                            COAuthSettings::kKeyClientSecret, clientSecret);
    CTestBrowser browser(redirect);
    CLoopbackSignIn signIn(COAuthSettings::Read(),
                           [&browser](const QUrl& url) { return browser.Open(url); });

    const std::optional<CSignInOutcome> outcome = Run(signIn);

    QVERIFY(outcome);
    QCOMPARE(outcome->eResult,
             signedIn ? CSignInOutcome::Result::SignedIn : CSignInOutcome::Result::Failed);
    QVERIFY2(outcome->strProblem.contains(problem), qPrintable(outcome->strProblem));
    QVERIFY(!reSecret.match(outcome->strProblem).hasMatch());
    const CTokenStore::Found stored = CTokenStore::Lookup(kProvider, kUser);
    QCOMPARE(stored.ePlace, signedIn ? CTokenStore::Place::TokenFile : CTokenStore::Place::None);
    QCOMPARE(stored.strToken, signedIn ? pServers->Issued().last() : QString());
    if (signedIn) {
        QCOMPARE(pServers->ClientSecrets(),
                 QStringList{clientSecret.isEmpty() ? u"-"_s : clientSecret});
        QCOMPARE(QFile::permissions(CTokenStore::FilePath()),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        QVERIFY(!reSecret.match(FileText(CProfileSettings::FilePath())).hasMatch());
    }
    // The redirect address took its one request and listens no more.
    QTcpSocket socket;
    QCOMPARE(browser.RedirectedTo().host(), u"127.0.0.1"_s);
    socket.connectToHost(browser.RedirectedTo().host(), quint16(browser.RedirectedTo().port()));
    QVERIFY(!socket.waitForConnected(2000));
}

void TestSignIn::noBrowser() {
    const auto pServers = Start({});
    CLoopbackSignIn signIn(COAuthSettings::Read(), [](const QUrl&) { return false; });

    const std::optional<CSignInOutcome> outcome = Run(signIn);

    QVERIFY(outcome);
    QCOMPARE(outcome->eResult, CSignInOutcome::Result::NoBrowser);
    QCOMPARE(pServers->Grants(), QStringList());
}

// The server notes a poll that comes sooner than it allowed.
void TestSignIn::signInWithCode_data() {
    QTest::addColumn<QStringList>("authority");
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<QString>("problem");
    QTest::newRow("approved after two polls") << QStringList() << true << QString();
    QTest::newRow("told to slow down")
        << QStringList{u"--device-slow-down"_s, u"--device-pending"_s, u"1"_s} << true
        << QString();
    QTest::newRow("refused") << QStringList{u"--device-deny"_s, u"--echo-in-error"_s} << false
                             << u"refused the sign-in (access_denied)"_s;
}

void TestSignIn::signInWithCode() {
    QFETCH(QStringList, authority);
    QFETCH(bool, signedIn);
    QFETCH(QString, problem);
    const auto pServers = Start(authority);
    CDeviceSignIn signIn(COAuthSettings::Read());
    QSignalSpy codeReady(&signIn, &CDeviceSignIn::codeReady);

    const std::optional<CSignInOutcome> outcome = Run(signIn);

    QVERIFY(outcome);
    QCOMPARE(codeReady.size(), 1);
    QCOMPARE(codeReady[0][0].toString(), u"WDJB-MJHT"_s);
    QCOMPARE(codeReady[0][1].toString(), pServers->Endpoint(u"device"_s));
    QCOMPARE(outcome->eResult,
             signedIn ? CSignInOutcome::Result::SignedIn : CSignInOutcome::Result::Failed);
    QVERIFY2(outcome->strProblem.contains(problem), qPrintable(outcome->strProblem));
    QVERIFY(!reSecret.match(outcome->strProblem).hasMatch());
    QCOMPARE(CTokenStore::Lookup(kProvider, kUser).strToken,
             signedIn ? pServers->Issued().last() : QString());
    QCOMPARE(pServers->TooFastPolls(), QStringList());
}

void TestSignIn::commandLineSignIn_data() {
    QTest::addColumn<QStringList>("authority");
    QTest::addColumn<bool>("oauth");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("printed");
    QTest::newRow("signed in") << QStringList() << true << 0
                               << u"enter the code WDJB-MJHT"_s;
    QTest::newRow("refused") << QStringList{u"--device-deny"_s, u"--echo-in-error"_s} << true
                             << 1 << u"refused the sign-in (access_denied)"_s;
    QTest::newRow("settings ask for a password")
        << QStringList() << false << 1 << u"Auth=oauth2"_s;
}

void TestSignIn::commandLineSignIn() {
    QFETCH(QStringList, authority);
    QFETCH(bool, oauth);
    QFETCH(int, exitCode);
    QFETCH(QString, printed);
    const auto pServers = Start(authority);
    if (!oauth)
        CProfileSettings::WriteProfileValue(CProfileSettings::kSectionMailSystem,
                                            COAuthSettings::kKeyAuth, u"password"_s);
    QProcess corvane;
    corvane.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    corvane.start(QStringLiteral(CORVANE_PROGRAM), {u"--sign-in"_s});

    QVERIFY(corvane.waitForFinished(kSignInWaitMs));

    const QString strOutput = QString::fromUtf8(corvane.readAllStandardOutput() +
                                                corvane.readAllStandardError());
    QCOMPARE(corvane.exitCode(), exitCode);
    QVERIFY2(strOutput.contains(printed), qPrintable(strOutput));
    for (const QString& strToken : pServers->Issued())
        QVERIFY(!strOutput.contains(strToken));
    QVERIFY(!reSecret.match(strOutput).hasMatch());
    QCOMPARE(CTokenStore::Lookup(kProvider, kUser).strToken,
             exitCode == 0 ? pServers->Issued().last() : QString());
}

QTEST_GUILESS_MAIN(TestSignIn)
#include "tst_signin.moc"
