#pragma once

#include "engine/send/CRunLog.h"
#include "engine/send/CSendLog.h"

// The send log in Corvane-send-log.csv, for one machine: every claim is
// granted.
class CCsvRunLog : public CRunLog {
public:
    explicit CCsvRunLog(const QString& strPath) : m_log(strPath) {}

    bool Append(const CSendLogEntry& entry) override { return m_log.Append(entry); }
    QString ErrorText() const override { return m_log.ErrorText(); }
    CSentLookup Sent() const override { return CSentLookup(m_log.Read()); }
    ClaimResult Claim(const CSendLogEntry&) override { return ClaimResult::Granted; }
    QString Where() const override { return m_log.Path(); }

private:
    CSendLog m_log;
};
