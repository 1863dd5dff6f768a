#pragma once

#include <QDateTime>
#include <QString>

// One attempt at one row's mail: one line of the send log.
struct CSendLogEntry {
    enum class Result { Sent, Failed, Skipped };

    QDateTime time;
    QString strEMail;
    QString strName;
    QString strTemplate;
    QString strSubject;
    Result result = Result::Sent;
    int nError = 0;
    QString strMessage;
    QString strMessageId;
};
