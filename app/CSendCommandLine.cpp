#include "app/CSendCommandLine.h"

#include "app/CSendConsole.h"
#include "engine/send/CCsvRunLog.h"
#include "engine/send/CMailingRecords.h"
#include "engine/send/CMapiSender.h"
#include "engine/send/CNoRunLog.h"
#include "engine/send/CRateLimiter.h"
#include "engine/send/CSendCheck.h"
#include "engine/send/CSteadyClock.h"
#include "platform/dao/CDaoException.h"
#include "platform/settings/CProfileSettings.h"
#include "platform/ui/MessageBoxes.h"
#include "store/CAddressDatabase.h"
#include "views/CSendMailCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

void Print(FILE* pStream, const QString& strText) {
    std::fputs(qPrintable(strText + u'\n'), pStream);
    std::fflush(pStream);
}

int Fail(const QString& strMessage, int nExit) {
    Print(stderr, strMessage);
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

int CSendCommandLine::Run(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (!arguments.contains(QStringLiteral("--send")))
        return kNotACommand;
    QCoreApplication application(argc, argv);
    // The store's and the library's boxes become lines on the error output.
    SetMessageBoxHandler([](const MessageBoxCall& call) {
        Print(stderr, call.strText);
        return IDOK;
    });
    QString strError;
    const std::optional<Options> options = Parse(arguments, &strError);
    if (!options && strError.isEmpty()) {
        Print(stdout, Usage());
        return 0;
    }
    if (!options)
        return Fail(strError + QStringLiteral("\n\n") + Usage(), kUsageError);
    try {
        return Send(*options);
    } catch (const CDaoException& e) {
        return Fail(e.m_pErrorInfo->m_strDescription, 1);
    }
}

QString CSendCommandLine::Usage() {
    return QStringLiteral(
        "Usage: corvane --send [--find TEXT] [--template NAME] [--dry-run DIR] [--yes]\n"
        "\n"
        "Sends a mailing from Addresses.mdb of the current folder without opening a\n"
        "window: checks every mail as Send Mail does and prints what it found.\n"
        "  --send           the mailing goes to every record\n"
        "  --find TEXT      only to the records that Find lists for TEXT\n"
        "  --template NAME  one template for every mail (a file of this folder)\n"
        "                   instead of each record's own\n"
        "  --dry-run DIR    write each mail as an .eml file into DIR; nothing is sent\n"
        "  --yes            send the mails; without it nothing is sent\n"
        "\n"
        "Sending keeps the send log Corvane-send-log.csv beside Addresses.mdb, skips\n"
        "the mails it shows as sent, keeps to MaxPerMinute and tries temporary\n"
        "failures again; Ctrl+C stops after the mail in hand, a second Ctrl+C at\n"
        "once. The exit status is 0 when every mail went, 1 when some failed or\n"
        "were left out for a problem, 2 for wrong options or a folder without\n"
        "Addresses.mdb.");
}

std::optional<CSendCommandLine::Options> CSendCommandLine::Parse(const QStringList& arguments,
                                                                 QString* pError) {
    Options options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& strArgument = arguments[i];
        if (strArgument == u"--help" || strArgument == u"-h")
            return std::nullopt;
        const bool bTakesValue =
            strArgument == u"--find" || strArgument == u"--template" || strArgument == u"--dry-run";
        if (bTakesValue && i + 1 >= arguments.size()) {
            *pError = QStringLiteral("The option %1 of --send needs a value.").arg(strArgument);
            return std::nullopt;
        }
        if (strArgument == u"--find")
            options.strFind = arguments[++i];
        else if (strArgument == u"--template")
            options.strTemplate = arguments[++i];
        else if (strArgument == u"--dry-run")
            options.strDryRun = arguments[++i];
        else if (strArgument == u"--yes")
            options.bYes = true;
        else if (strArgument != u"--send") {
            *pError = QStringLiteral("--send does not take \"%1\".").arg(strArgument);
            return std::nullopt;
        }
    }
    if (!options.strTemplate.isNull() && !IsTemplateOfFolder(options.strTemplate)) {
        *pError = QStringLiteral("The template \"%1\" must be the name of a file in this folder, "
                                 "without a folder part.")
                      .arg(options.strTemplate);
        return std::nullopt;
    }
    return options;
}

int CSendCommandLine::Send(const Options& options) {
    CAddressDatabase db;
    if (!QFileInfo(db.m_schema.m_strFile).isFile())
        return Fail(QStringLiteral("--send needs the address book %1 in the current folder; "
                                   "there is none.")
                        .arg(db.m_schema.m_strFile),
                    kUsageError);
    if (!db.OpenOrCreate()) // its box has said why, on the error output
        return kUsageError;
    const QString strLogPath =
        CSendLog::PathBeside(QDir::current().absoluteFilePath(db.m_schema.m_strFile));
    QList<CCheckedRow> checked;
    {
        CSendCheck check(QDir::currentPath(), CCsvRunLog(strLogPath).Sent());
        check.SetTemplate(options.strTemplate);
        const QList<CMailRow> rows =
            CMailingRecords::Read(db.m_pCDaoDatabase.get(), db.m_schema, options.strFind);
        for (qsizetype i = 0; i < rows.size(); ++i)
            checked << check.Check(int(i), rows[i]);
    }
    const QList<CPlannedRow> plan = CSendCheck::Plan(checked, CSendChoices());
    const int nToSend = CSendCheck::CountToSend(plan);
    const bool bLeftOut = std::any_of(plan.begin(), plan.end(), [](const CPlannedRow& row) {
        return row.skip == CPlannedRow::Skip::Problem;
    });
    if (!options.strDryRun.isEmpty()) {
        PrintCheck(checked, nToSend,
                   QStringLiteral("the folder %1 (a dry run: nothing is sent)")
                       .arg(QDir(options.strDryRun).absolutePath()));
        if (!QDir().mkpath(options.strDryRun))
            return Fail(QStringLiteral("The folder \"%1\" cannot be made.").arg(options.strDryRun),
                        kUsageError);
        const std::unique_ptr<QTemporaryDir> pSettings = SettingsForFolder(options.strDryRun);
        if (!pSettings)
            return Fail(QStringLiteral("The dry run cannot write its settings."), kUsageError);
        CNoRunLog log;
        return RunMailing(plan, log, false);
    }
    PrintCheck(checked, nToSend, CSendMailCommand::RouteText());
    if (!options.bYes) {
        Print(stdout,
              QStringLiteral("Nothing was sent: with --yes these %1 mails go.").arg(nToSend));
        return bLeftOut ? 1 : 0;
    }
    CCsvRunLog log(strLogPath);
    return RunMailing(plan, log, true);
}

void CSendCommandLine::PrintCheck(const QList<CCheckedRow>& rows, int nToSend,
                                  const QString& strRoute) {
    Print(stdout, QStringLiteral("%1 records, %2 mails through %3 as %4.")
                      .arg(rows.size())
                      .arg(nToSend)
                      .arg(strRoute, CSendMailCommand::SenderText()));
    const auto nSent = std::count_if(rows.begin(), rows.end(),
                                     [](const CCheckedRow& row) { return row.bAlreadySent; });
    if (nSent > 0)
        Print(
            stdout,
            QStringLiteral("Left out as sent before, as the send log shows: %1 rows.").arg(nSent));
    if (const QString strProblems = CSendCheck::ProblemText(rows); !strProblems.isEmpty())
        Print(stdout, QStringLiteral("Left out for a problem:\n") + strProblems);
    if (const QString strWarnings = CSendCheck::WarningText(rows); !strWarnings.isEmpty())
        Print(stdout, QStringLiteral("Sent, but with a placeholder empty:\n") + strWarnings);
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
        Print(stderr, summary.LogErrorText(log.Where()));
    Print(stdout, summary.Text(log.Where()));
    const bool bAllWent = summary.nFailed == 0 && summary.nSkipped == 0 &&
                          summary.nNotReached == 0 && summary.strLogError.isEmpty();
    return bAllWent ? 0 : 1;
}
