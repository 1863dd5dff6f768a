#pragma once

// The published Simple MAPI interface: structures, flags, result codes and the
// signatures of the three functions that the program looks up in the mail
// library. The library (mapi32/) exports them with C linkage.

#include <cstdint>

extern "C" {

using ULONG = std::uint32_t;
using FLAGS = std::uint32_t;
using LHANDLE = std::uintptr_t;
using ULONG_PTR = std::uintptr_t;
using LPLHANDLE = LHANDLE*;
using LPSTR = char*;

struct MapiFileDesc {
    ULONG ulReserved;
    ULONG flFlags;
    ULONG nPosition;
    LPSTR lpszPathName;
    LPSTR lpszFileName;
    void* lpFileType;
};
using lpMapiFileDesc = MapiFileDesc*;

struct MapiRecipDesc {
    ULONG ulReserved;
    ULONG ulRecipClass;
    LPSTR lpszName;
    LPSTR lpszAddress;
    ULONG ulEIDSize;
    void* lpEntryID;
};
using lpMapiRecipDesc = MapiRecipDesc*;

struct MapiMessage {
    ULONG ulReserved;
    LPSTR lpszSubject;
    LPSTR lpszNoteText;
    LPSTR lpszMessageType;
    LPSTR lpszDateReceived;
    LPSTR lpszConversationID;
    FLAGS flFlags;
    lpMapiRecipDesc lpOriginator;
    ULONG nRecipCount;
    lpMapiRecipDesc lpRecips;
    ULONG nFileCount;
    lpMapiFileDesc lpFiles;
};
using lpMapiMessage = MapiMessage*;

// Recipient classes.
constexpr ULONG MAPI_ORIG = 0;
constexpr ULONG MAPI_TO = 1;
constexpr ULONG MAPI_CC = 2;
constexpr ULONG MAPI_BCC = 3;

// Flags.
constexpr FLAGS MAPI_LOGON_UI = 0x00000001;
constexpr FLAGS MAPI_PASSWORD_UI = 0x00020000;
constexpr FLAGS MAPI_NEW_SESSION = 0x00000002;
constexpr FLAGS MAPI_FORCE_DOWNLOAD = 0x00001000;
constexpr FLAGS MAPI_DIALOG = 0x00000008;

// Result codes.
constexpr ULONG SUCCESS_SUCCESS = 0;
constexpr ULONG MAPI_USER_ABORT = 1;
constexpr ULONG MAPI_E_USER_ABORT = MAPI_USER_ABORT;
constexpr ULONG MAPI_E_FAILURE = 2;
constexpr ULONG MAPI_E_LOGON_FAILURE = 3;
constexpr ULONG MAPI_E_LOGIN_FAILURE = MAPI_E_LOGON_FAILURE;
constexpr ULONG MAPI_E_DISK_FULL = 4;
constexpr ULONG MAPI_E_INSUFFICIENT_MEMORY = 5;
constexpr ULONG MAPI_E_ACCESS_DENIED = 6;
constexpr ULONG MAPI_E_TOO_MANY_SESSIONS = 8;
constexpr ULONG MAPI_E_TOO_MANY_FILES = 9;
constexpr ULONG MAPI_E_TOO_MANY_RECIPIENTS = 10;
constexpr ULONG MAPI_E_ATTACHMENT_NOT_FOUND = 11;
constexpr ULONG MAPI_E_ATTACHMENT_OPEN_FAILURE = 12;
constexpr ULONG MAPI_E_ATTACHMENT_WRITE_FAILURE = 13;
constexpr ULONG MAPI_E_UNKNOWN_RECIPIENT = 14;
constexpr ULONG MAPI_E_BAD_RECIPTYPE = 15;
constexpr ULONG MAPI_E_NO_MESSAGES = 16;
constexpr ULONG MAPI_E_INVALID_MESSAGE = 17;
constexpr ULONG MAPI_E_TEXT_TOO_LARGE = 18;
constexpr ULONG MAPI_E_INVALID_SESSION = 19;
constexpr ULONG MAPI_E_TYPE_NOT_SUPPORTED = 20;
constexpr ULONG MAPI_E_AMBIGUOUS_RECIPIENT = 21;
constexpr ULONG MAPI_E_AMBIG_RECIP = MAPI_E_AMBIGUOUS_RECIPIENT;
constexpr ULONG MAPI_E_MESSAGE_IN_USE = 22;
constexpr ULONG MAPI_E_NETWORK_FAILURE = 23;
constexpr ULONG MAPI_E_INVALID_EDITFIELDS = 24;
constexpr ULONG MAPI_E_INVALID_RECIPS = 25;
constexpr ULONG MAPI_E_NOT_SUPPORTED = 26;
constexpr ULONG MAPI_E_UNICODE_NOT_SUPPORTED = 27;
constexpr ULONG MAPI_E_ATTACHMENT_TOO_LARGE = 28;

using LPMAPILOGON = ULONG (*)(ULONG_PTR ulUIParam, LPSTR lpszProfileName, LPSTR lpszPassword,
                              FLAGS flFlags, ULONG ulReserved, LPLHANDLE lplhSession);
using LPMAPISENDMAIL = ULONG (*)(LHANDLE lhSession, ULONG_PTR ulUIParam, lpMapiMessage lpMessage,
                                 FLAGS flFlags, ULONG ulReserved);
using LPMAPILOGOFF = ULONG (*)(LHANDLE lhSession, ULONG_PTR ulUIParam, FLAGS flFlags,
                               ULONG ulReserved);

// The mail library builds with hidden symbols; these three are its exports,
// beside Corvane's own (the platform/mapi/Corvane*.h headers).
#define SIMPLEMAPI_EXPORT __attribute__((visibility("default")))

SIMPLEMAPI_EXPORT ULONG MAPILogon(ULONG_PTR ulUIParam, LPSTR lpszProfileName, LPSTR lpszPassword,
                                  FLAGS flFlags, ULONG ulReserved, LPLHANDLE lplhSession);
SIMPLEMAPI_EXPORT ULONG MAPISendMail(LHANDLE lhSession, ULONG_PTR ulUIParam,
                                     lpMapiMessage lpMessage, FLAGS flFlags, ULONG ulReserved);
SIMPLEMAPI_EXPORT ULONG MAPILogoff(LHANDLE lhSession, ULONG_PTR ulUIParam, FLAGS flFlags,
                                   ULONG ulReserved);
}
