#pragma once

#include <QMetaType>
#include <QString>

// What a run did with its rows, every row counted once: the counts add up
// to the rows the run was given.
struct CSendSummary {
    int nSent = 0;
    int nFailed = 0;
    // Left out for a problem the check found, with a line in the log.
    int nSkipped = 0;
    // Sent by an earlier run, as the log showed: no line.
    int nAlreadySent = 0;
    // Taken by another run that shares the log.
    int nTakenElsewhere = 0;
    // Not reached because the run stopped.
    int nNotReached = 0;
    bool bStopped = false;
    // Why the log could not be written, which stopped the run.
    QString strLogError;

    int Total() const {
        return nSent + nFailed + nSkipped + nAlreadySent + nTakenElsewhere + nNotReached;
    }
    // "Sent: 5, failed: 1, skipped: 0." and the counts that are not zero,
    // then where every attempt is logged, unless strLogWhere is empty.
    QString Text(const QString& strLogWhere) const;
    // What stopped the run when the log could not be written.
    QString LogErrorText(const QString& strLogWhere) const;
};

Q_DECLARE_METATYPE(CSendSummary)
