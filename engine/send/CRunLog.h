#pragma once

#include "engine/send/CSendLogEntry.h"
#include "engine/send/CSentLookup.h"

#include <QString>

// The send log as a run uses it: every attempt recorded before the next mail
// starts, the mails already sent (for resume), and a claim on a mail before
// it is sent, so that runs sharing one log (several machines sending one
// mailing) never send the same mail twice.
class CRunLog {
public:
    virtual ~CRunLog() = default;

    // False, with the reason in ErrorText(), when the attempt could not be
    // recorded; a run then stops, so that no mail goes out unrecorded.
    virtual bool Append(const CSendLogEntry& entry) = 0;
    virtual QString ErrorText() const = 0;
    // The mails the log records as sent.
    virtual CSentLookup Sent() const = 0;
    enum class ClaimResult { Granted, Taken, Failed };
    // Takes the mail of entry (its address, template and subject) for this
    // run: Taken when another run has taken or sent it meanwhile; Failed,
    // with the reason in ErrorText(), when the log could not be asked. The
    // mail goes only when Granted; a run stops at Failed.
    virtual ClaimResult Claim(const CSendLogEntry& entry) = 0;
    // Lets other runs have this run's claims on the mails it did not send,
    // at the run's end. False, with the reason in ErrorText(), when it
    // failed; the claims then lapse by themselves. A log that no other run
    // shares holds no claims.
    virtual bool ReleaseClaims() { return true; }
    // Where the log is kept, for the user.
    virtual QString Where() const = 0;
};
