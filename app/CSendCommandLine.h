#pragma once

#include "app/CCommandLine.h"
#include "engine/send/CCheckedRow.h"
#include "engine/send/CPlannedRow.h"

#include <QList>
#include <QString>
#include <QStringList>

class CRunLog;
class CSendWorker;

// corvane --send [--find TEXT] [--template NAME] [--dry-run DIR] [--yes]:
// a mailing without the window, on Addresses.mdb of the current folder, for
// scripts and timers. The records are all of them, or those Find lists for
// TEXT; the mails are checked as Send Mail checks them and the check is
// printed. Without --yes nothing is sent; --dry-run writes each mail as an
// .eml file into DIR instead of sending it; --yes sends, with the send log,
// resume, the rate limit and the retries of a run in the window.
// Exit status: 0 when every mail went, 1 when some failed or were left out
// for a problem (or, without --yes, would be), 2 for wrong options or a
// folder without an address book.
class CSendCommandLine : public CCommandLine {
public:
    QList<CCommandLineOption> Options() const override;
    QStringList Synopsis() const override;
    QString Notes() const override;
    // Throws CCommandLineError for a template that is no file of the folder.
    int Run(const CCommandLineArguments& arguments) override;

private:
    struct Mailing {
        QString strFind; // null: every record
        QString strTemplate;
        QString strDryRun;
        bool bYes = false;
    };

    static int Send(const Mailing& mailing);
    static void PrintCheck(const QList<CCheckedRow>& rows, int nToSend, const QString& strRoute);
    static int RunMailing(const QList<CPlannedRow>& plan, CRunLog& log, bool bLimit);
};
