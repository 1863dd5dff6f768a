// A small Simple MAPI provider for the transport's tests. It answers with the
// result codes it was built with and appends what it receives, one
// "name<TAB>value" line each, to the file that MAPI_TEST_RECORD names. Loading
// and unloading are recorded too, so a test sees whether the library ran at
// all and whether it was released. Built with SENT_MESSAGE_ID_RESULT, it also
// exports CorvaneSentMessageId, which gives a fixed Message-ID when that
// result is 0; built with TOKEN_REFUSED, CorvaneLastResult, which tells of
// every call that it failed at the access token, as a revoked sign-in does.

#include "platform/mapi/CorvaneLastResult.h"
#include "platform/mapi/CorvaneSentMessageId.h"
#include "platform/mapi/SimpleMapi.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#ifndef LOGON_RESULT
#define LOGON_RESULT 0
#endif
#ifndef SEND_RESULT
#define SEND_RESULT 0
#endif
#ifndef LOGOFF_RESULT
#define LOGOFF_RESULT 0
#endif

namespace {

constexpr LHANDLE kSession = 0x5EED;

std::string Escaped(const char* pszText) {
    if (!pszText)
        return "(null)";
    std::string text;
    for (const char* p = pszText; *p; ++p) {
        switch (*p) {
        case '\\':
            text += "\\\\";
            break;
        case '\n':
            text += "\\n";
            break;
        case '\r':
            text += "\\r";
            break;
        case '\t':
            text += "\\t";
            break;
        default:
            text += *p;
        }
    }
    return text;
}

void Record(const std::string& name, const std::string& value) {
    const char* pszPath = std::getenv("MAPI_TEST_RECORD");
    if (!pszPath)
        return;
    if (FILE* pFile = std::fopen(pszPath, "a")) {
        std::fprintf(pFile, "%s\t%s\n", name.c_str(), value.c_str());
        std::fclose(pFile);
    }
}

// snprintf rather than std::to_string: the latter brings a unique symbol
// that would keep the library loaded after dlclose.
std::string Number(unsigned long long n) {
    char szNumber[24];
    std::snprintf(szNumber, sizeof szNumber, "%llu", n);
    return szNumber;
}

[[maybe_unused]] std::string Pointer(const void* p) {
    return p ? "set" : "(null)";
}

__attribute__((constructor)) void OnLoad() {
    Record("load", PROVIDER_NAME);
}

__attribute__((destructor)) void OnUnload() {
    Record("unload", PROVIDER_NAME);
}

} // namespace

extern "C" {

#ifndef OMIT_LOGON
__attribute__((visibility("default"))) ULONG MAPILogon(ULONG_PTR ulUIParam, LPSTR lpszProfileName,
                                                       LPSTR lpszPassword, FLAGS flFlags,
                                                       ULONG ulReserved, LPLHANDLE lplhSession) {
    Record("logon", "ui=" + Number(ulUIParam) + " profile=" + Escaped(lpszProfileName) +
                        " password=" + Escaped(lpszPassword) + " flags=" + Number(flFlags) +
                        " reserved=" + Number(ulReserved));
    if (LOGON_RESULT == 0)
        *lplhSession = kSession;
    return LOGON_RESULT;
}
#endif

#ifndef OMIT_SENDMAIL
__attribute__((visibility("default"))) ULONG MAPISendMail(LHANDLE lhSession, ULONG_PTR ulUIParam,
                                                          lpMapiMessage lpMessage, FLAGS flFlags,
                                                          ULONG ulReserved) {
    Record("send", "session=" + Number(lhSession) + " ui=" + Number(ulUIParam) +
                       " flags=" + Number(flFlags) + " reserved=" + Number(ulReserved));
    Record("subject", Escaped(lpMessage->lpszSubject));
    Record("body", Escaped(lpMessage->lpszNoteText));
    Record("unset", "type=" + Escaped(lpMessage->lpszMessageType) +
                        " date=" + Escaped(lpMessage->lpszDateReceived) +
                        " conversation=" + Escaped(lpMessage->lpszConversationID) +
                        " flags=" + Number(lpMessage->flFlags) +
                        " originator=" + Pointer(lpMessage->lpOriginator));
    Record("recipients", Number(lpMessage->nRecipCount));
    for (ULONG i = 0; i < lpMessage->nRecipCount; ++i) {
        const MapiRecipDesc& recip = lpMessage->lpRecips[i];
        Record("recipient", "class=" + Number(recip.ulRecipClass) + " name=" +
                                Escaped(recip.lpszName) + " address=" + Escaped(recip.lpszAddress) +
                                " eid=" + Number(recip.ulEIDSize) + "/" + Pointer(recip.lpEntryID));
    }
    Record("files", Number(lpMessage->nFileCount) + " " + Pointer(lpMessage->lpFiles));
    for (ULONG i = 0; i < lpMessage->nFileCount; ++i) {
        const MapiFileDesc& file = lpMessage->lpFiles[i];
        Record("file", "path=" + Escaped(file.lpszPathName) + " name=" +
                           Escaped(file.lpszFileName) + " position=" + Number(file.nPosition) +
                           " flags=" + Number(file.flFlags) + " type=" + Pointer(file.lpFileType));
    }
    return SEND_RESULT;
}
#endif

__attribute__((visibility("default"))) ULONG MAPILogoff(LHANDLE lhSession, ULONG_PTR ulUIParam,
                                                        FLAGS flFlags, ULONG ulReserved) {
    Record("logoff", "session=" + Number(lhSession) + " ui=" + Number(ulUIParam) +
                         " flags=" + Number(flFlags) + " reserved=" + Number(ulReserved));
    return LOGOFF_RESULT;
}

#ifdef SENT_MESSAGE_ID_RESULT
__attribute__((visibility("default"))) ULONG
CorvaneSentMessageId(LHANDLE lhSession, LPSTR lpszBuffer, ULONG ulBufferSize) {
    Record("messageid", "session=" + Number(lhSession) + " size=" + Number(ulBufferSize));
    if (SENT_MESSAGE_ID_RESULT == 0)
        std::snprintf(lpszBuffer, ulBufferSize, "%s", "<fake.1@example.com>");
    return SENT_MESSAGE_ID_RESULT;
}
#endif

#ifdef TOKEN_REFUSED
__attribute__((visibility("default"))) ULONG CorvaneLastResult(lpCorvaneResult lpResult) {
    *lpResult = CorvaneResult{LOGON_RESULT, CORVANE_STEP_TOKEN, 0, 0, {}};
    std::snprintf(lpResult->szReply, sizeof lpResult->szReply, "%s",
                  "the sign-in was refused (invalid_grant): sign in again in Mail Settings");
    return SUCCESS_SUCCESS;
}
#endif
}
