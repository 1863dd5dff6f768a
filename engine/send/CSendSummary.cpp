#include "engine/send/CSendSummary.h"

QString CSendSummary::Text(const QString& strLogWhere) const {
    QString strText =
        QStringLiteral("Sent: %1, failed: %2, skipped: %3.").arg(nSent).arg(nFailed).arg(nSkipped);
    if (nAlreadySent > 0)
        strText +=
            QStringLiteral(" Already sent before, as the send log shows: %1.").arg(nAlreadySent);
    if (nTakenElsewhere > 0)
        strText += QStringLiteral(" Sent by another run sharing the log: %1.").arg(nTakenElsewhere);
    if (nNotReached > 0)
        strText += QStringLiteral(" Not reached before the run stopped: %1.").arg(nNotReached);
    if (!strLogWhere.isEmpty())
        strText += QStringLiteral(" Every attempt is in the send log %1").arg(strLogWhere);
    return strText;
}

QString CSendSummary::LogErrorText(const QString& strLogWhere) const {
    return QStringLiteral("The send log \"%1\" cannot be written: %2\nSending stops, so that no "
                          "mail goes out unrecorded.")
        .arg(strLogWhere, strLogError);
}
