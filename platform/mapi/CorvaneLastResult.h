#pragma once

// What the three Simple MAPI calls cannot carry: how a call ended, as a
// value the program can act on (retry a temporary failure, name the step
// that failed, show the server's own words), and a way to stop a call that
// waits on a silent server. The program looks both up as optional; a
// library without them gives the program only the Simple MAPI code.

#include "platform/mapi/SimpleMapi.h"

extern "C" {

// Where a call ended.
enum CorvaneStep : ULONG {
    CORVANE_STEP_NONE = 0,     // the call succeeded, or failed before any step
    CORVANE_STEP_SETTINGS = 1, // the settings file: a key missing or invalid
    CORVANE_STEP_CONNECT = 2,  // reaching the server, its greeting, EHLO
    CORVANE_STEP_TLS = 3,      // TLS or STARTTLS, the certificate check
    CORVANE_STEP_LOGIN = 4,    // AUTH
    CORVANE_STEP_TOKEN = 5,    // getting an access token for the login
    CORVANE_STEP_MAIL = 6,     // MAIL FROM
    CORVANE_STEP_RCPT = 7,     // RCPT TO
    CORVANE_STEP_DATA = 8,     // DATA
    CORVANE_STEP_END_OF_DATA = 9, // the message data and its end
    CORVANE_STEP_OUTBOX = 10,  // writing the .eml file into the outbox folder
    CORVANE_STEP_MESSAGE = 11, // the message itself: address, texts, attachments
};

constexpr ULONG CORVANE_REPLY_SIZE = 1024;

struct CorvaneResult {
    // The Simple MAPI result code the call returned.
    ULONG ulResult;
    // A CorvaneStep.
    ULONG ulStep;
    // The server's reply code that decided the result (e.g. 451), 0 when no
    // reply decided it.
    ULONG ulReplyCode;
    // 1 when trying the same mail again later may succeed: any 4xx reply, a
    // connection refused, dropped or silent for the stall limit; else 0.
    ULONG ulTemporary;
    // The server's reply text, lines joined with blanks, or where no reply
    // decided the result a short text of the library's own ("connection
    // refused"). Valid UTF-8 without control characters, ended by a zero
    // byte, cut to fit. Never holds a password or token. Empty on success.
    char szReply[CORVANE_REPLY_SIZE];
};
using lpCorvaneResult = CorvaneResult*;

using LPCORVANELASTRESULT = ULONG (*)(lpCorvaneResult lpResult);
using LPCORVANEABORTSEND = void (*)();

// Fills *lpResult with how the last MAPILogon, MAPISendMail,
// CorvaneSendHtmlMail or MAPILogoff that the calling thread made ended (each thread has its own). Before any
// such call: SUCCESS_SUCCESS at step none. Returns SUCCESS_SUCCESS, or
// MAPI_E_FAILURE for a null pointer.
SIMPLEMAPI_EXPORT ULONG CorvaneLastResult(lpCorvaneResult lpResult);

// Safe to call from any thread: every call of the library that is waiting on
// a server at this moment returns at once with MAPI_E_USER_ABORT, and its
// connection is closed, never used again. Calls made afterwards work as
// usual.
SIMPLEMAPI_EXPORT void CorvaneAbortSend();
}
