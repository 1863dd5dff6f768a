// A run of a team's mailing as the send log sees it, for tests that run two
// at once and kill one: URL FOLDER ROWS LEASE_SECONDS START_FILE [KILLED_AT].
// It says "ready", waits for START_FILE, then claims each of ROWS mails,
// "sends" it (a pause) and records it, printing "sent N" for each. Mails
// another run holds are asked for again until they are sent by someone or
// their lease passes and they are claimed here. With KILLED_AT, the program
// kills itself (SIGKILL, as kill -9) holding its KILLED_AT-th claim.

#include "engine/send/CTeamSendLog.h"
#include "platform/dao/CDaoDatabase.h"
#include "platform/dao/CDaoException.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <csignal>
#include <cstdio>

namespace {

constexpr int kSendMs = 2;
constexpr int kAskAgainMs = 200;

CSendLogEntry Mail(int nRow) {
    CSendLogEntry entry;
    entry.strEMail = QStringLiteral("user%1@example.com").arg(nRow, 4, 10, QLatin1Char('0'));
    entry.strName = QStringLiteral("User %1").arg(nRow);
    entry.strTemplate = QStringLiteral("offer.txt");
    entry.strSubject = QStringLiteral("Our offer");
    return entry;
}

int g_nKilledAt = 0;
int g_nClaims = 0;

// The rows left for later: those another run held.
QList<int> Pass(CTeamSendLog& log, const QList<int>& rows) {
    QList<int> held;
    for (const int nRow : rows) {
        CSendLogEntry entry = Mail(nRow);
        switch (log.Claim(entry)) {
        case CTeamSendLog::ClaimResult::Taken:
            held.append(nRow);
            continue;
        case CTeamSendLog::ClaimResult::Failed:
            std::fprintf(stderr, "%s\n", qPrintable(log.ErrorText()));
            std::exit(3);
        case CTeamSendLog::ClaimResult::Granted:
            break;
        }
        if (++g_nClaims == g_nKilledAt)
            ::raise(SIGKILL);
        QThread::msleep(kSendMs);
        entry.time = QDateTime::currentDateTimeUtc();
        if (!log.Append(entry)) {
            std::fprintf(stderr, "%s\n", qPrintable(log.ErrorText()));
            std::exit(4);
        }
        std::printf("sent %d\n", nRow);
        std::fflush(stdout);
    }
    return held;
}

QList<int> NotSent(const CTeamSendLog& log, const QList<int>& rows) {
    const CSentLookup sent = log.Sent();
    QList<int> left;
    for (const int nRow : rows) {
        const CSendLogEntry entry = Mail(nRow);
        if (!sent.IsSent(entry.strEMail, entry.strTemplate, entry.strSubject))
            left.append(nRow);
    }
    return left;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 6 && args.size() != 7)
        return 2;
    g_nKilledAt = args.value(6).toInt();
    try {
        CDaoDatabase database;
        database.OpenServer(args[1]);
        CTeamSendLog log(database, QDir(args[2]).filePath(CSendLog::kFileName), args[4].toInt());
        std::printf("ready\n");
        std::fflush(stdout);
        while (!QFileInfo::exists(args[5]))
            QThread::msleep(10);
        QList<int> rows;
        for (int nRow = 1; nRow <= args[3].toInt(); ++nRow)
            rows.append(nRow);
        for (rows = NotSent(log, Pass(log, rows)); !rows.isEmpty();
             rows = NotSent(log, Pass(log, rows)))
            QThread::msleep(kAskAgainMs);
    } catch (const CDaoException& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
