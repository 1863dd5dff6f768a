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
    // Takes the mail of entry (its address, template and subject) for this
    // run; false when another run has taken or sent it meanwhile.
    virtual bool Claim(const CSendLogEntry& entry) = 0;
    // Where the log is kept, for the user.
    virtual QString Where() const = 0;
};
