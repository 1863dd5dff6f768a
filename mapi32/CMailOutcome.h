#pragma once

#include "mapi32/CSmtpReplyParser.h"
#include "platform/mapi/CorvaneLastResult.h"

#include <string>

// How a Simple MAPI call ended, as CorvaneLastResult hands it to the
// program: the result code, the step, and the server's reply that decided
// it or a short text of the library's own.
struct CMailOutcome {
    ULONG nResult = SUCCESS_SUCCESS;
    CorvaneStep eStep = CORVANE_STEP_NONE;
    int nReplyCode = 0;
    bool bTemporary = false;
    std::string strText;

    static CMailOutcome Failure(ULONG nResult, CorvaneStep eStep, std::string strText,
                                bool bTemporary = false);
    // The server's reply decided it.
    static CMailOutcome Refusal(ULONG nResult, CorvaneStep eStep,
                                const CSmtpReplyParser::Reply& reply, bool bTemporary);

    bool Succeeded() const { return nResult == SUCCESS_SUCCESS; }
    // The text made valid UTF-8 without control characters and cut at a
    // character's end to fit the result's buffer.
    CorvaneResult ToResult() const;
};
