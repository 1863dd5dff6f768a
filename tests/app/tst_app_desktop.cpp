// Corvane on a real X display among other programs: while another program's
// window has the focus and another program owns the clipboard, a text window
// shows what was copied and the duplicate click sounds for a stored address.

#include "CAppFixture.h"
#include "CXvfbServer.h"
#include "app/CMainFrame.h"
#include "views/Globals.h"
#include "platform/ui/Beep.h"
#include "views/CCorvaneView.h"

#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr unsigned kWatchTimer = 1;
constexpr int kTickMs = 300;
// "Within a few ticks": the time a change may take to show.
constexpr int kFewTicksMs = 5 * kTickMs;
const QString kStoredAddress = u"jane.doe@example.com"_s;

struct Click {
    unsigned nFrequency;
    unsigned nDuration;
};

// Runs xdotool to its end; its output, or nothing when it failed.
std::optional<QString> Xdotool(const QStringList& arrArguments) {
    QProcess process;
    process.start(u"xdotool"_s, arrArguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The X window that has the keyboard focus, as a number (0 if unknown).
qulonglong FocusedWindow() {
    return Xdotool({u"getwindowfocus"_s}).value_or(QString()).toULongLong();
}

} // namespace

class TestAppDesktop : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
    void textWindowShowsWhatAnotherProgramCopied();
    void clickForStoredAddressCopiedElsewhere_data();
    void clickForStoredAddressCopiedElsewhere();

private:
    bool StartOtherWindow();
    bool FocusOtherWindow();
    bool Own(const QByteArray& text);
    void Disown();

    std::unique_ptr<CAppFixture> m_pApp;
    QProcess m_other; // a program with a window of its own
    qulonglong m_nOtherWindow = 0;
    QProcess m_owner; // the program that owns the clipboard
    QList<Click> m_arrClicks;
    BeepHandler m_previousBeep;
};

void TestAppDesktop::initTestCase() {
    QCOMPARE(QGuiApplication::platformName(), u"xcb"_s);
    m_previousBeep = SetBeepHandler([this](unsigned nFrequency, unsigned nDuration) {
        m_arrClicks.append({nFrequency, nDuration});
    });
    m_pApp = std::make_unique<CAppFixture>();
    QVERIFY(m_pApp->IsReady());
    QVERIFY(m_pApp->Frame()->m_db.SaveRecord(CAppFixture::RecordValues(kStoredAddress), true));
    QVERIFY(StartOtherWindow());
}

void TestAppDesktop::cleanup() {
    g_bNoTwins = false;
    if (m_pApp && m_pApp->Frame())
        m_pApp->Frame()->KillTimer(kWatchTimer);
    if (m_owner.state() != QProcess::NotRunning)
        Disown();
}

void TestAppDesktop::cleanupTestCase() {
    m_pApp.reset();
    SetBeepHandler(m_previousBeep);
    m_other.kill();
    m_other.waitForFinished();
}

// xev shows a window of its own, under a name that finds it.
bool TestAppDesktop::StartOtherWindow() {
    const QString strName = u"Corvane test: another program"_s;
    m_other.setStandardOutputFile(QProcess::nullDevice());
    m_other.start(u"xev"_s, {u"-name"_s, strName, u"-event"_s, u"focus"_s});
    if (!m_other.waitForStarted())
        return false;
    const std::optional<QString> found =
        Xdotool({u"search"_s, u"--sync"_s, u"--name"_s, u"^"_s + strName + u"$"_s});
    m_nOtherWindow = found.value_or(QString()).section(u'\n', 0, 0).toULongLong();
    return m_nOtherWindow != 0;
}

// The other program's window takes the keyboard focus, so that Corvane works
// in the background as it does while the user copies in other programs.
bool TestAppDesktop::FocusOtherWindow() {
    const QString strWindow = QString::number(m_nOtherWindow);
    if (!Xdotool(
            {u"windowmap"_s, u"--sync"_s, strWindow, u"windowfocus"_s, u"--sync"_s, strWindow}))
        return false;
    return QTest::qWaitFor([] { return QApplication::activeWindow() == nullptr; }) &&
           FocusedWindow() == m_nOtherWindow;
}

// xclip takes the clipboard with the text and serves it until it is killed.
// Returns once Corvane has heard of the new owner.
bool TestAppDesktop::Own(const QByteArray& text) {
    QSignalSpy changed(QGuiApplication::clipboard(), &QClipboard::changed);
    m_owner.setStandardOutputFile(QProcess::nullDevice());
    m_owner.start(u"xclip"_s, {u"-selection"_s, u"clipboard"_s, u"-quiet"_s, u"-i"_s});
    if (!m_owner.waitForStarted())
        return false;
    m_owner.write(text);
    m_owner.closeWriteChannel();
    return QTest::qWaitFor([&changed] { return !changed.isEmpty(); }) &&
           !QGuiApplication::clipboard()->ownsClipboard();
}

void TestAppDesktop::Disown() {
    QSignalSpy changed(QGuiApplication::clipboard(), &QClipboard::changed);
    m_owner.kill();
    m_owner.waitForFinished();
    QVERIFY(QTest::qWaitFor([&changed] { return !changed.isEmpty(); }));
}

// Ctrl+N, typed on the X keyboard into Corvane, opens the text window; then
// the user goes to another program and copies there.
void TestAppDesktop::textWindowShowsWhatAnotherProgramCopied() {
    CMainFrame* pFrame = m_pApp->Frame();
    pFrame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(pFrame));
    QVERIFY(Xdotool({u"key"_s, u"--clearmodifiers"_s, u"ctrl+n"_s}));
    QTRY_COMPARE(m_pApp->ChildCount(), 1);
    auto* pView =
        pFrame->GetMdiArea()->subWindowList().first()->findChild<CCorvaneView*>(u"textView"_s);
    QVERIFY(pView);
    QVERIFY(pView->IsTimerRunning());

    QVERIFY(FocusOtherWindow());
    const QByteArray copied("Jane Doe <jane.doe@example.com>\r\nSales, \xC3\x96stwick");
    QVERIFY(Own(copied));
    QTRY_COMPARE_WITH_TIMEOUT(pView->GetText(), QString::fromUtf8(copied), kFewTicksMs);
    QCOMPARE(QApplication::activeWindow(), nullptr);
    QCOMPARE(FocusedWindow(), m_nOtherWindow);
}

void TestAppDesktop::clickForStoredAddressCopiedElsewhere_data() {
    QTest::addColumn<QString>("copied");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("click");
    QTest::newRow("stored address") << kStoredAddress << kStoredAddress << true;
    QTest::newRow("mailto link of a stored address")
        << u"mailto:"_s + kStoredAddress << kStoredAddress << true;
    QTest::newRow("address not stored")
        << u"john.roe@example.com"_s << u"john.roe@example.com"_s << false;
}

// "no twins" is ticked as the record dialog ticks it: the flag set and the
// main frame's timer started.
void TestAppDesktop::clickForStoredAddressCopiedElsewhere() {
    QFETCH(QString, copied);
    QFETCH(QString, address);
    QFETCH(bool, click);
    CMainFrame* pFrame = m_pApp->Frame();
    QVERIFY(FocusOtherWindow());
    g_bNoTwins = true;
    pFrame->SetTimer(kWatchTimer, kTickMs);
    QVERIFY(Own(copied.toUtf8()));
    m_arrClicks.clear();

    if (click) {
        QTRY_VERIFY_WITH_TIMEOUT(!m_arrClicks.isEmpty(), kFewTicksMs);
        QCOMPARE(m_arrClicks.first().nFrequency, 100u);
        QCOMPARE(m_arrClicks.first().nDuration, 1u);
    } else {
        QTest::qWait(kFewTicksMs);
        QCOMPARE(m_arrClicks.size(), 0);
    }
    // What the watch read on those ticks: the address, from the other program.
    QVERIFY(pFrame->IsTimerActive(kWatchTimer));
    QCOMPARE(pFrame->m_db.ExtractEMail(pFrame->m_db.GetClipboardText()), address);
    QCOMPARE(QApplication::activeWindow(), nullptr);
}

int main(int argc, char* argv[]) {
    return CXvfbServer::Exec<TestAppDesktop>(argc, argv);
}

#include "tst_app_desktop.moc"
