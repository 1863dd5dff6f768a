#pragma once

// Corvane's one addition to the Simple MAPI functions of the mail library:
// the Message-ID of the mail a session sent, so that the send log can name
// the mail the server or the outbox got. The program looks it up as
// optional; a library without it simply gives no Message-ID.

#include "platform/mapi/SimpleMapi.h"

extern "C" {

using LPCORVANESENTMESSAGEID = ULONG (*)(LHANDLE lhSession, LPSTR lpszBuffer, ULONG ulBufferSize);

// Copies the Message-ID header value ("<...@...>", with its angle brackets)
// of the last mail that the session lhSession sent or wrote to the outbox
// into lpszBuffer, ended by a zero byte. A failed MAPISendMail leaves the
// value of the mail before it. SUCCESS_SUCCESS; MAPI_E_INVALID_SESSION for a
// handle not from MAPILogon or logged off; MAPI_E_NO_MESSAGES when the
// session has sent no mail yet; MAPI_E_TEXT_TOO_LARGE when there is no
// buffer or ulBufferSize bytes cannot hold the value and its zero byte. On
// any failure the buffer holds the empty text, if it has room for that.
SIMPLEMAPI_EXPORT ULONG CorvaneSentMessageId(LHANDLE lhSession, LPSTR lpszBuffer,
                                             ULONG ulBufferSize);
}
