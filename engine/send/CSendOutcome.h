#pragma once

#include <QString>
#include <QStringList>

// What became of one row's mail, read from the messages its assembly and
// send gave. A failure that will repeat for every row (no mail system, no
// library, logon refused, server unreachable or gone, sender refused, outbox
// unusable) is told apart from one that belongs to this row alone.
class CSendOutcome {
public:
    enum class Kind { Sent, FailedForRow, FailedForAll };

    static CSendOutcome FromMessages(const QStringList& arrMessages);

    Kind m_kind = Kind::Sent;
    // The Simple MAPI result code the messages name; 0 when none.
    int m_nError = 0;
    // The messages, one per line; a sent mail may carry a warning.
    QString m_strMessage;

private:
    static Kind KindOf(const QString& strMessage, int* pError);
};
