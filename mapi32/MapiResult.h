#pragma once

#include "platform/mapi/SimpleMapi.h"

// The Simple MAPI result code that the mail library returns for each way a
// call can fail. This table is the only place that chooses a code; the rest
// of the library names the failure. The README repeats it for users.
namespace MapiResult {

// Arguments and session.
constexpr ULONG NoSessionPointer = MAPI_E_FAILURE;       // MAPILogon without a handle to fill
constexpr ULONG InvalidSession = MAPI_E_INVALID_SESSION; // handle not from MAPILogon, or logged off
constexpr ULONG DialogRequested = MAPI_E_NOT_SUPPORTED;  // MAPI_DIALOG: the library has no windows
constexpr ULONG OutOfMemory = MAPI_E_INSUFFICIENT_MEMORY;
constexpr ULONG Unexpected = MAPI_E_FAILURE;

// Settings in section [MailSystem], checked by MAPILogon.
constexpr ULONG SettingsIncomplete = MAPI_E_LOGON_FAILURE; // Server, Sender or Outbox missing
constexpr ULONG SettingsInvalid = MAPI_E_LOGON_FAILURE;    // unknown Transport, Server not
                                                           // smtp:// or smtps://, Sender not
                                                           // one address
constexpr ULONG CaFileUnusable = MAPI_E_LOGON_FAILURE;     // unreadable, or no certificate in it

// The message handed to MAPISendMail.
constexpr ULONG NoMessage = MAPI_E_INVALID_MESSAGE;   // null message
constexpr ULONG TextNotUtf8 = MAPI_E_INVALID_MESSAGE; // a text that is not UTF-8
constexpr ULONG NoRecipient = MAPI_E_INVALID_RECIPS;  // recipient count 0
constexpr ULONG TooManyRecipients = MAPI_E_TOO_MANY_RECIPIENTS;
constexpr ULONG RecipientNotTo = MAPI_E_BAD_RECIPTYPE;  // class other than MAPI_TO
constexpr ULONG AddressInvalid = MAPI_E_INVALID_RECIPS; // not exactly one plain address
constexpr ULONG AttachmentMissing = MAPI_E_ATTACHMENT_NOT_FOUND;
constexpr ULONG AttachmentUnreadable = MAPI_E_ATTACHMENT_OPEN_FAILURE;

// SMTP delivery.
constexpr ULONG ServerUnreachable = MAPI_E_NETWORK_FAILURE; // name unknown, refused, timed out,
                                                            // silent for the stall limit
constexpr ULONG ConnectionLost = MAPI_E_NETWORK_FAILURE;    // broken or garbled conversation
constexpr ULONG TlsFailed = MAPI_E_LOGON_FAILURE; // certificate not trusted or not for the
                                                  // host, STARTTLS not offered, handshake
constexpr ULONG LoginDenied = MAPI_E_LOGON_FAILURE;
constexpr ULONG Aborted = MAPI_E_USER_ABORT; // CorvaneAbortSend ended the call

// The server's reply to a mail, by its meaning in RFC 5321:
//   reply                 MAIL   RCPT   DATA   end of data
//   4xx (421, 450-452)     23     23     23     23          TemporaryFailure
//   552                    18     23      2     18
//   other 5xx               6     14      2      2
constexpr ULONG TemporaryFailure = MAPI_E_NETWORK_FAILURE;   // try again later
constexpr ULONG SenderRefused = MAPI_E_ACCESS_DENIED;        // MAIL FROM refused
constexpr ULONG RecipientRefused = MAPI_E_UNKNOWN_RECIPIENT; // unknown or refused recipient
constexpr ULONG MessageTooLarge = MAPI_E_TEXT_TOO_LARGE;     // over the server's size limit
constexpr ULONG MessageRefused = MAPI_E_FAILURE;             // DATA or the message refused

// Outbox folder.
constexpr ULONG OutboxMissing = MAPI_E_FAILURE;      // folder missing or not a folder
constexpr ULONG OutboxDenied = MAPI_E_ACCESS_DENIED; // no permission, read-only file system
constexpr ULONG OutboxFull = MAPI_E_DISK_FULL;       // no space, quota or file size limit
constexpr ULONG OutboxWriteFailed = MAPI_E_FAILURE;  // any other write error

// CorvaneLastResult.
constexpr ULONG NoResultPointer = MAPI_E_FAILURE; // no result to fill

// CorvaneSentMessageId.
constexpr ULONG NoMailSent = MAPI_E_NO_MESSAGES;        // the session has sent no mail yet
constexpr ULONG BufferTooSmall = MAPI_E_TEXT_TOO_LARGE; // no buffer, or no room for the value
                                                        // and its zero byte

} // namespace MapiResult
