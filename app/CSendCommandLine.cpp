#include "app/CSendCommandLine.h"

#include "app/CCommandLineArguments.h"
#include "app/CCommandLineError.h"
#include "app/CSendConsole.h"
#include "app/PrintLine.h"
#include "engine/send/CMailingRecords.h"
#include "engine/send/CMapiSender.h"
#include "engine/send/CNoRunLog.h"
#include "engine/send/CRateLimiter.h"
#include "engine/send/CRunLog.h"
#include "engine/send/CSendCheck.h"
#include "engine/send/CSendLog.h"
#include "engine/send/CSteadyClock.h"
#include "platform/settings/CProfileSettings.h"
#include "store/CAddressDatabase.h"
#include "views/CSendMailCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <unistd.h>

namespace {

// The options' names; --send asks for the command.
const QString s_strSend = QStringLiteral("--send");
const QString s_strFind = QStringLiteral("--find");
const QString s_strTemplate = QStringLiteral("--template");
const QString s_strDryRun = QStringLiteral("--dry-run");
const QString s_strYes = QStringLiteral("--yes");

// The status of wrong options, which a folder without an address book shares.
constexpr int kUsageError = 2;

int Fail(const QString& strMessage, int nExit) {
    PrintLine(stderr, strMessage);
    return nExit;
}

// A name that can only mean a file of the current folder, and one that is
// there: no folder part, no "..", no link out of the folder.
bool IsTemplateOfFolder(const QString& strName) {
    return !strName.isEmpty() && !strName.contains(u'/') && strName != u"." && strName != u".." &&
           QFileInfo(strName).isFile() &&
           CRowCheck::IsTemplateInFolder(strName, QDir::currentPath());
}

// The mail library reads its settings from the user's settings file; a dry
// run points it at a file of its own that sends to the folder, as the
// user's sender.
std::unique_ptr<QTemporaryDir> SettingsForFolder(const QString& strFolder) {
    const QString strSender = CSendMailCommand::SenderText();
    auto pSettings = std::make_unique<QTemporaryDir>();
    if (!pSettings->isValid())
        return nullptr;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(pSettings->path()));
    const QString& strSystem = CProfileSettings::kSectionMailSystem;
    const bool bWritten =
        CProfileSettings::WriteProfileValue(CProfileSettings::kSectionMail,
                                            CProfileSettings::kKeyMapi, 1) &&
        CProfileSettings::WriteProfileValue(strSystem, CProfileSettings::kKeyTransport,
                                            QString(CProfileSettings::kTransportOutbox)) &&
        CProfileSettings::WriteProfileValue(strSystem, CProfileSettings::kKeyOutbox,
                                            QDir(strFolder).absolutePath()) &&
        CProfileSettings::WriteProfileValue(strSystem, CProfileSettings::kKeySender, strSender);
    return bWritten ? std::move(pSettings) : nullptr;
}

} // namespace

QList<CCommandLineOption> CSendCommandLine::Options() const {
    return {
        {s_strSend, QString(), QStringLiteral("send a mailing to every record"), true},
        {s_strFind, QStringLiteral("TEXT"),
         QStringLiteral("only to the records that Find lists for TEXT"), false},
        {s_strTemplate, QStringLiteral("NAME"),
         QStringLiteral("one template for every mail (a file of this folder) instead of each "
                        "record's own"),
         false},
        {s_strDryRun, QStringLiteral("DIR"),
         QStringLiteral("write each mail as an .eml file into DIR; nothing is sent"), false},
        {s_strYes, QString(), QStringLiteral("send the mails; without it nothing is sent"), false},
    };
}

QStringList CSendCommandLine::Synopsis() const {
    return {QStringLiteral("--send [--find TEXT] [--template NAME] [--dry-run DIR] [--yes]")};
}

QString CSendCommandLine::Notes() const {
    return QStringLiteral(
        "Sending works on Addresses.mdb of the current folder, or on the team's\n"
        "database that the settings name: it checks every mail as Send Mail does\n"
        "and prints what it found. It keeps the send log Corvane-send-log.csv\n"
        "beside Addresses.mdb (and the team's in its database), skips the mails it\n"
        "shows as sent, keeps to MaxPerMinute and tries temporary failures again;\n"
        "with a team, each mail goes once however many machines send. Ctrl+C\n"
        "stops after the mail in hand, a second Ctrl+C at once. The exit status is\n"
        "0 when every mail went, 1 when some failed or were left out for a\n"
        "problem, 2 for wrong options or a folder without Addresses.mdb.");
}

int CSendCommandLine::Run(const CCommandLineArguments& arguments) {
    Mailing mailing;
    if (arguments.Has(s_strFind))
        mailing.strFind = arguments.Value(s_strFind);
    mailing.strTemplate = arguments.Has(s_strTemplate) ? arguments.Value(s_strTemplate) : QString();
    mailing.strDryRun = arguments.Value(s_strDryRun);
    mailing.bYes = arguments.Has(s_strYes);
    if (!mailing.strTemplate.isNull() && !IsTemplateOfFolder(mailing.strTemplate))
        throw CCommandLineError(QStringLiteral("The template \"%1\" must be the name of a file in "
                                               "this folder, without a folder part.")
                                    .arg(mailing.strTemplate));
    return Send(mailing);
}

int CSendCommandLine::Send(const Mailing& mailing) {
    CAddressDatabase db;
    if (CAddressDatabase::ServerUrl().isEmpty() && !QFileInfo(db.m_schema.m_strFile).isFile())
        return Fail(QStringLiteral("--send needs the address book %1 in the current folder; "
                                   "there is none.")
                        .arg(db.m_schema.m_strFile),
                    kUsageError);
    if (!db.OpenOrCreate()) // its box has said why, on the error output
        return kUsageError;
    const QString strLogPath =
        CSendLog::PathBeside(QDir::current().absoluteFilePath(db.m_schema.m_strFile));
    // On a team's server, the team's log: several machines may send the
    // same mailing at once, each mail going only once.
    const std::unique_ptr<CRunLog> pLog = db.OpenRunLog(strLogPath);
    QList<CCheckedRow> checked;
    {
        CSendCheck check(QDir::currentPath(), pLog->Sent());
        check.SetTemplate(mailing.strTemplate);
        const QList<CMailRow> rows =
            CMailingRecords::Read(db.m_pCDaoDatabase.get(), db.m_schema, mailing.strFind);
        for (qsizetype i = 0; i < rows.size(); ++i)
            checked << check.Check(int(i), rows[i]);
    }
    const QList<CPlannedRow> plan = CSendCheck::Plan(checked, CSendChoices());
    const int nToSend = CSendCheck::CountToSend(plan);
    const bool bLeftOut = std::any_of(plan.begin(), plan.end(), [](const CPlannedRow& row) {
        return row.skip == CPlannedRow::Skip::Problem;
    });
    if (!mailing.strDryRun.isEmpty()) {
        PrintCheck(checked, nToSend,
                   QStringLiteral("the folder %1 (a dry run: nothing is sent)")
                       .arg(QDir(mailing.strDryRun).absolutePath()));
        if (!QDir().mkpath(mailing.strDryRun))
            return Fail(QStringLiteral("The folder \"%1\" cannot be made.").arg(mailing.strDryRun),
                        kUsageError);
        const std::unique_ptr<QTemporaryDir> pSettings = SettingsForFolder(mailing.strDryRun);
        if (!pSettings)
            return Fail(QStringLiteral("The dry run cannot write its settings."), kUsageError);
        CNoRunLog log;
        return RunMailing(plan, log, false);
    }
    PrintCheck(checked, nToSend, CSendMailCommand::RouteText());
    if (!mailing.bYes) {
        PrintLine(stdout,
                  QStringLiteral("Nothing was sent: with --yes these %1 mails go.").arg(nToSend));
        return bLeftOut ? 1 : 0;
    }
    return RunMailing(plan, *pLog, true);
}

void CSendCommandLine::PrintCheck(const QList<CCheckedRow>& rows, int nToSend,
                                  const QString& strRoute) {
    PrintLine(stdout, QStringLiteral("%1 records, %2 mails through %3 as %4.")
                          .arg(rows.size())
                          .arg(nToSend)
                          .arg(strRoute, CSendMailCommand::SenderText()));
    const auto nSent = std::count_if(rows.begin(), rows.end(),
                                     [](const CCheckedRow& row) { return row.bAlreadySent; });
    if (nSent > 0)
        PrintLine(
            stdout,
            QStringLiteral("Left out as sent before, as the send log shows: %1 rows.").arg(nSent));
    if (const QString strProblems = CSendCheck::ProblemText(rows); !strProblems.isEmpty())
        PrintLine(stdout, QStringLiteral("Left out for a problem:\n") + strProblems);
    if (const QString strWarnings = CSendCheck::WarningText(rows); !strWarnings.isEmpty())
        PrintLine(stdout, QStringLiteral("Sent, but with a placeholder empty:\n") + strWarnings);
}

// The dry run neither spaces its files nor retries; the run proper keeps to
// the settings, as in the window.
int CSendCommandLine::RunMailing(const QList<CPlannedRow>& plan, CRunLog& log, bool bLimit) {
    CMapiSender sender;
    CSteadyClock clock;
    CSendWorker worker(plan, CSendWorker::Mode::Mailing, sender, log, clock,
                       CRateLimiter(bLimit ? CRateLimiter::MaxPerMinuteSetting() : 0),
                       bLimit ? CRetrySchedule::FromSettings() : CRetrySchedule(0));
    const CSendSummary summary = CSendConsole(worker, ::isatty(STDERR_FILENO) != 0).Run();
    if (!summary.strLogError.isEmpty())
        PrintLine(stderr, summary.LogErrorText(log.Where()));
    PrintLine(stdout, summary.Text(log.Where()));
    const bool bAllWent = summary.nFailed == 0 && summary.nSkipped == 0 &&
                          summary.nNotReached == 0 && summary.strLogError.isEmpty();
    return bAllWent ? 0 : 1;
}
