// Start-up time of Corvane, from launch to the main window shown and idle,
// against a minimal Qt Widgets program started the same way in the same run.
// Each start is a fresh process in a fresh empty folder, on the offscreen
// platform, with its own settings folder; Corvane creates its address file
// there as on a first start. Prints each program's median and the ratio.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWarmUps = 2;
constexpr int kRuns = 15;
constexpr double kTargetRatio = 1.5;

// One start to idle, in milliseconds; negative when the program failed.
double StartOnce(const QString& strProgram) {
    QTemporaryDir folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       folder.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("CORVANE_EXIT_WHEN_IDLE"), QStringLiteral("1"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder.path());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    process.start(strProgram, {});
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return -1;
    return clock.nsecsElapsed() / 1e6;
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QString strCorvane = QStringLiteral(CORVANE_EXECUTABLE);
    const QString strBaseline = QStringLiteral(BASELINE_EXECUTABLE);

    for (int nRun = 0; nRun < kWarmUps; ++nRun) {
        StartOnce(strBaseline);
        StartOnce(strCorvane);
    }
    std::vector<double> corvane;
    std::vector<double> baseline;
    for (int nRun = 0; nRun < kRuns; ++nRun) {
        const double dBaseline = StartOnce(strBaseline);
        const double dCorvane = StartOnce(strCorvane);
        if (dBaseline < 0 || dCorvane < 0) {
            std::fprintf(stderr, "a start failed\n");
            return 1;
        }
        baseline.push_back(dBaseline);
        corvane.push_back(dCorvane);
    }
    const double dCorvane = Median(corvane);
    const double dBaseline = Median(baseline);
    const double dRatio = dCorvane / dBaseline;
    std::printf("start-up to shown and idle, median of %d starts each\n", kRuns);
    std::printf("  minimal Qt Widgets window: %8.1f ms\n", dBaseline);
    std::printf("  corvane:                   %8.1f ms\n", dCorvane);
    std::printf("  ratio: %.2fx (target at most %.1fx) %s\n", dRatio, kTargetRatio,
                dRatio <= kTargetRatio ? "met" : "MISSED");
    return 0;
}
