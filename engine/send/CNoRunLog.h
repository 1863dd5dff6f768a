#pragma once

#include "engine/send/CRunLog.h"

// A run that records nothing and claims everything: a dry run, whose mails
// went into files and to nobody.
class CNoRunLog : public CRunLog {
public:
    bool Append(const CSendLogEntry&) override { return true; }
    QString ErrorText() const override { return QString(); }
    CSentLookup Sent() const override { return CSentLookup({}); }
    ClaimResult Claim(const CSendLogEntry&) override { return ClaimResult::Granted; }
    QString Where() const override { return QString(); }
};
