// The three Simple MAPI functions the program looks up in libmapi32.so, and
// CorvaneSentMessageId and CorvaneSendHtmlMail, which it looks up as
// optional.
//
// The program loads and unloads the library for every mail. The library is
// linked with -z nodelete, so it stays in memory after the first unload, and
// GMime (whose GObject types can be registered only once per process) and
// libcurl are initialised once and never shut down.
//
// No dialogs: MAPI_LOGON_UI and MAPI_PASSWORD_UI are ignored, the profile
// name and password arguments too (everything comes from the settings file),
// and MAPISendMail refuses MAPI_DIALOG.

#include "mapi32/CMapiSession.h"
#include "mapi32/MapiResult.h"
#include "platform/mapi/CorvaneSendHtmlMail.h"
#include "platform/mapi/CorvaneSentMessageId.h"
#include "platform/mapi/SimpleMapi.h"

#include <cstring>
#include <curl/curl.h>
#include <gmime/gmime.h>
#include <map>
#include <mutex>
#include <new>

namespace {

std::mutex g_sessionsMutex;
std::map<LHANDLE, std::shared_ptr<CMapiSession>> g_mapSessions;
LHANDLE g_hLastSession = 0;

void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        g_mime_init();
        curl_global_init(CURL_GLOBAL_DEFAULT);
    });
}

LHANDLE AddSession(std::shared_ptr<CMapiSession> pSession) {
    const std::lock_guard lock(g_sessionsMutex);
    g_mapSessions.emplace(++g_hLastSession, std::move(pSession));
    return g_hLastSession;
}

std::shared_ptr<CMapiSession> FindSession(LHANDLE hSession) {
    const std::lock_guard lock(g_sessionsMutex);
    const auto it = g_mapSessions.find(hSession);
    return it == g_mapSessions.end() ? nullptr : it->second;
}

// The session is destroyed (and says QUIT) after the lock is released, so a
// slow server never holds up the other sessions.
bool RemoveSession(LHANDLE hSession) {
    std::shared_ptr<CMapiSession> pSession;
    {
        const std::lock_guard lock(g_sessionsMutex);
        const auto it = g_mapSessions.find(hSession);
        if (it == g_mapSessions.end())
            return false;
        pSession = std::move(it->second);
        g_mapSessions.erase(it);
    }
    return true;
}

// No exception may cross into the calling program.
template <typename Call> ULONG Guarded(Call call) {
    try {
        InitialiseOnce();
        return call();
    } catch (const std::bad_alloc&) {
        return MapiResult::OutOfMemory;
    } catch (...) {
        return MapiResult::Unexpected;
    }
}

// A session handle of 0 sends within a session of its own, as Simple MAPI
// allows.
ULONG SendMail(LHANDLE lhSession, lpMapiMessage lpMessage, const CorvaneHtmlBody* lpHtml,
               FLAGS flFlags) {
    if (flFlags & MAPI_DIALOG)
        return MapiResult::DialogRequested;
    if (lhSession == 0) {
        CMapiSession session;
        const ULONG nResult = session.Logon();
        return nResult != SUCCESS_SUCCESS ? nResult : session.SendMail(lpMessage, lpHtml);
    }
    const std::shared_ptr<CMapiSession> pSession = FindSession(lhSession);
    return pSession ? pSession->SendMail(lpMessage, lpHtml) : MapiResult::InvalidSession;
}

} // namespace

extern "C" {

ULONG MAPILogon(ULONG_PTR, LPSTR, LPSTR, FLAGS, ULONG, LPLHANDLE lplhSession) {
    return Guarded([&] {
        if (!lplhSession)
            return MapiResult::NoSessionPointer;
        *lplhSession = 0;
        auto pSession = std::make_shared<CMapiSession>();
        if (const ULONG nResult = pSession->Logon(); nResult != SUCCESS_SUCCESS)
            return nResult;
        *lplhSession = AddSession(std::move(pSession));
        return SUCCESS_SUCCESS;
    });
}

ULONG MAPISendMail(LHANDLE lhSession, ULONG_PTR, lpMapiMessage lpMessage, FLAGS flFlags, ULONG) {
    return Guarded([&] { return SendMail(lhSession, lpMessage, nullptr, flFlags); });
}

ULONG CorvaneSendHtmlMail(LHANDLE lhSession, ULONG_PTR, lpMapiMessage lpMessage,
                          lpCorvaneHtmlBody lpHtml, FLAGS flFlags, ULONG) {
    return Guarded([&] { return SendMail(lhSession, lpMessage, lpHtml, flFlags); });
}

ULONG MAPILogoff(LHANDLE lhSession, ULONG_PTR, FLAGS, ULONG) {
    return Guarded(
        [&] { return RemoveSession(lhSession) ? SUCCESS_SUCCESS : MapiResult::InvalidSession; });
}

ULONG CorvaneSentMessageId(LHANDLE lhSession, LPSTR lpszBuffer, ULONG ulBufferSize) {
    return Guarded([&] {
        if (lpszBuffer && ulBufferSize > 0)
            lpszBuffer[0] = '\0';
        const std::shared_ptr<CMapiSession> pSession = FindSession(lhSession);
        if (!pSession)
            return MapiResult::InvalidSession;
        const std::string& strMessageId = pSession->SentMessageId();
        if (strMessageId.empty())
            return MapiResult::NoMailSent;
        if (!lpszBuffer || strMessageId.size() >= ulBufferSize)
            return MapiResult::BufferTooSmall;
        std::memcpy(lpszBuffer, strMessageId.c_str(), strMessageId.size() + 1);
        return SUCCESS_SUCCESS;
    });
}
}
