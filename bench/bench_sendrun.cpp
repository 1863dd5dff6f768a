// Measures how long the window's event loop is blocked at most while a mail
// is on its way to a server that keeps silent after the mail's data for 10 s
// (the library's stall limit set to 10 s): once through a Send Mail run,
// which sends on a thread of its own, and, as the baseline in the same run,
// once through the transport called on the window's own thread, as a single
// Send once called it. A timer every 10 ms notes the longest gap between its
// ticks. Target: under 200 ms for the run.

#include "CSmtpTestServer.h"
#include "engine/send/CCsvRunLog.h"
#include "engine/send/CSendCheck.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"
#include "views/CSendRun.h"
#include "views/Globals.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr int kTickMs = 10;
constexpr qint64 kTargetMs = 200;
const QByteArray kStallSeconds = QByteArrayLiteral("10");

// The longest gap between the ticks of a timer while work runs, started from
// the event loop; work calls its argument when it is done.
qint64 LongestBlockMs(const std::function<void(const std::function<void()>&)>& work) {
    QEventLoop loop;
    QElapsedTimer sinceTick;
    qint64 nLongest = 0;
    QTimer tick;
    tick.setInterval(kTickMs);
    QObject::connect(&tick, &QTimer::timeout, &loop,
                     [&] { nLongest = qMax(nLongest, sinceTick.restart()); });
    QTimer::singleShot(0, &loop, [&] {
        sinceTick.start();
        tick.start();
        work([&loop] { loop.quit(); });
    });
    loop.exec();
    return qMax(nLongest, sinceTick.elapsed());
}

CMergedMail Mail() {
    CMergedMail mail;
    mail.m_strEMail = QStringLiteral("jane@example.com");
    mail.m_strSubject = QStringLiteral("Offer");
    mail.m_strBody = QStringLiteral("Dear Jane.");
    return mail;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.filePath(QStringLiteral("xdg"))));
    qputenv("CORVANE_MAIL_STALL_SECONDS", kStallSeconds);
    qputenv("CORVANE_MAPI_LIBRARY", MAPI32_LIBRARY);
    QApplication application(argc, argv);
    SetMessageBoxHandler([](const MessageBoxCall&) { return IDOK; });
    CSmtpTestServer server(folder.filePath(QStringLiteral("server")));
    if (!server.Start({QStringLiteral("--stall"), QStringLiteral("DOT")},
                      QStringLiteral("scripted_smtp_server.py"))) {
        std::fprintf(stderr, "%s\n", qPrintable(server.ErrorText()));
        return 1;
    }
    using S = CProfileSettings;
    S::WriteProfileValue(S::kSectionMail, S::kKeyMapi, 1);
    S::WriteProfileValue(S::kSectionMailSystem, S::kKeyServer, server.Url(QStringLiteral("smtp")));
    S::WriteProfileValue(S::kSectionMailSystem, S::kKeySender, QStringLiteral("a@example.com"));
    QDir::setCurrent(folder.path());
    g_strStartDir = folder.path();
    CAddressDatabase db;

    const qint64 nBaselineMs = LongestBlockMs([&db](const std::function<void()>& done) {
        const CMergedMail mail = Mail();
        db.SendMapiMail(QString(), mail.m_strEMail, mail.m_strSubject, mail.m_strBody, QString());
        done();
    });
    const qint64 nRunMs = LongestBlockMs([&db, &folder](const std::function<void()>& done) {
        CPlannedRow row;
        row.mail.bTemplateOpened = true;
        row.mail.mail = Mail();
        auto* pRun = new CSendRun(
            nullptr, db, nullptr, {row},
            std::make_unique<CCsvRunLog>(folder.filePath(QStringLiteral("log.csv"))), 0);
        QObject::connect(pRun, &CSendRun::finished, pRun, done);
        pRun->Start();
    });
    std::printf("Longest block of the event loop while the server keeps silent %s s:\n"
                "  Send Mail run:                         %6lld ms (target: under %lld ms)\n"
                "  transport on the window's thread:      %6lld ms (baseline)\n"
                "  ratio run / baseline:                  %6.3f\n",
                kStallSeconds.constData(), static_cast<long long>(nRunMs),
                static_cast<long long>(kTargetMs), static_cast<long long>(nBaselineMs),
                double(nRunMs) / double(qMax<qint64>(nBaselineMs, 1)));
    return nRunMs < kTargetMs ? 0 : 1;
}
