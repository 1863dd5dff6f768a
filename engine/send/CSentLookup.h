#pragma once

#include "engine/send/CSendLogEntry.h"

#include <QList>
#include <QSet>
#include <QString>

// Which mails the send log records as sent: the same address (letter case
// aside), the same template and the same subject. A row whose mail is found
// here already got it and is not sent again on resume.
class CSentLookup {
public:
    explicit CSentLookup(const QList<CSendLogEntry>& entries);

    bool IsSent(const QString& strEMail, const QString& strTemplate,
                const QString& strSubject) const;
    // What tells one mail from another.
    static QString Key(const QString& strEMail, const QString& strTemplate,
                       const QString& strSubject);

private:

    QSet<QString> m_keys;
};
