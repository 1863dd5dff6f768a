// Start-up time of Corvane, from launch to the main window shown and idle,
// against a minimal Qt Widgets program started the same way in the same run.
// Each start is a fresh process in a fresh empty folder, on the offscreen
// platform, with its own settings folder; Corvane creates its address file
// there as on a first start. A second series starts Corvane in folders that
// hold an address file already, as every later start does. Prints each
// series' median and fastest start and the ratios to the minimal program.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWarmUps = 2;
constexpr int kRuns = 15;
constexpr double kTargetRatio = 1.5;

// One start to idle in folder, in milliseconds; negative when it failed.
double StartOnce(const QString& strProgram, const QTemporaryDir& folder) {
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

double StartInEmptyFolder(const QString& strProgram) {
    QTemporaryDir folder;
    return StartOnce(strProgram, folder);
}

double StartWithAddressFile(const QString& strProgram, const QString& strAddressFile) {
    QTemporaryDir folder;
    if (!QFile::copy(strAddressFile, folder.filePath(QStringLiteral("Addresses.mdb"))))
        return -1;
    return StartOnce(strProgram, folder);
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The fastest start: the least disturbed by whatever else the machine runs.
double Fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

void Report(const char* pszSeries, const std::vector<double>& times,
            const std::vector<double>& baseline) {
    std::printf("  %-32s median %7.1f ms (%.2fx)   fastest %7.1f ms (%.2fx)\n", pszSeries,
                Median(times), Median(times) / Median(baseline), Fastest(times),
                Fastest(times) / Fastest(baseline));
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QString strCorvane = QStringLiteral(CORVANE_EXECUTABLE);
    const QString strBaseline = QStringLiteral(BASELINE_EXECUTABLE);

    QTemporaryDir seed;
    if (StartOnce(strCorvane, seed) < 0) {
        std::fprintf(stderr, "corvane did not start\n");
        return 1;
    }
    const QString strAddressFile = seed.filePath(QStringLiteral("Addresses.mdb"));

    for (int nRun = 0; nRun < kWarmUps; ++nRun) {
        StartInEmptyFolder(strBaseline);
        StartInEmptyFolder(strCorvane);
    }
    std::vector<double> baseline;
    std::vector<double> firstStart;
    std::vector<double> laterStart;
    for (int nRun = 0; nRun < kRuns; ++nRun) {
        baseline.push_back(StartInEmptyFolder(strBaseline));
        firstStart.push_back(StartInEmptyFolder(strCorvane));
        laterStart.push_back(StartWithAddressFile(strCorvane, strAddressFile));
        if (baseline.back() < 0 || firstStart.back() < 0 || laterStart.back() < 0) {
            std::fprintf(stderr, "a start failed\n");
            return 1;
        }
    }
    std::printf("start-up to shown and idle, %d starts each\n", kRuns);
    Report("minimal Qt Widgets window", baseline, baseline);
    Report("corvane, empty folder", firstStart, baseline);
    Report("corvane, address file present", laterStart, baseline);
    const double dRatio = Median(firstStart) / Median(baseline);
    std::printf("empty folder, ratio of medians: %.2fx (target at most %.1fx) %s\n", dRatio,
                kTargetRatio, dRatio <= kTargetRatio ? "met" : "MISSED");
    return 0;
}
