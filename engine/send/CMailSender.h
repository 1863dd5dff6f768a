#pragma once

#include "engine/merge/CMergedMail.h"
#include "engine/send/CSendResult.h"

// Hands one mail to the mail system and tells how it ended. A run calls Send
// on its own thread, one mail at a time; Abort may come from any thread.
class CMailSender {
public:
    virtual ~CMailSender() = default;

    virtual CSendResult Send(const CMergedMail& mail) = 0;
    // Makes a Send that waits on the server at this moment return at once,
    // as aborted (the mail counts as not sent). Does nothing when no Send
    // waits, or when the mail system cannot be interrupted.
    virtual void Abort() = 0;
};
