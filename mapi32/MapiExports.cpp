// The three Simple MAPI functions the program looks up in libmapi32.so, and
// CorvaneSentMessageId, CorvaneLastResult and CorvaneAbortSend, which it
// looks up as optional.
//
// The program loads and unloads the library for every mail. The library is
// linked with -z nodelete, so it stays in memory after the first unload, and
// GMime (whose GObject types can be registered only once per process) and
// libcurl are initialised once and never shut down.
//
// No dialogs: MAPI_LOGON_UI and MAPI_PASSWORD_UI are ignored, the profile
// name and password arguments too (everything comes from the settings file),
// and MAPISendMail refuses MAPI_DIALOG.

#include "mapi32/CMailOutcome.h"
#include "mapi32/CMapiSession.h"
#include "mapi32/CSendAbort.h"
#include "mapi32/MapiResult.h"
#include "platform/mapi/CorvaneLastResult.h"
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
// How the calling thread's last MAPILogon, MAPISendMail or MAPILogoff ended.
thread_local CMailOutcome t_lastOutcome;

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
template <typename Call> CMailOutcome GuardedOutcome(Call call) {
    try {
        InitialiseOnce();
        return call();
    } catch (const std::bad_alloc&) {
        return CMailOutcome::Failure(MapiResult::OutOfMemory, CORVANE_STEP_NONE, "out of memory");
    } catch (...) {
        return CMailOutcome::Failure(MapiResult::Unexpected, CORVANE_STEP_NONE,
                                     "unexpected failure");
    }
}

template <typename Call> ULONG Guarded(Call call) {
    return GuardedOutcome([&] {
               CMailOutcome outcome;
               outcome.nResult = call();
               return outcome;
           })
        .nResult;
}

// One of the three Simple MAPI calls: CorvaneAbortSend can end it, and
// CorvaneLastResult tells how it ended.
template <typename Call> ULONG Recorded(Call call) {
    t_lastOutcome = GuardedOutcome([&] {
        const CSendAbort::Call running;
        return call();
    });
    return t_lastOutcome.nResult;
}

CMailOutcome NoSuchSession() {
    return CMailOutcome::Failure(MapiResult::InvalidSession, CORVANE_STEP_NONE, "no such session");
}

} // namespace

extern "C" {

ULONG MAPILogon(ULONG_PTR, LPSTR, LPSTR, FLAGS, ULONG, LPLHANDLE lplhSession) {
    return Recorded([&] {
        if (!lplhSession)
            return CMailOutcome::Failure(MapiResult::NoSessionPointer, CORVANE_STEP_NONE,
                                         "no handle to fill");
        *lplhSession = 0;
        auto pSession = std::make_shared<CMapiSession>();
        CMailOutcome outcome = pSession->Logon();
        if (outcome.Succeeded())
            *lplhSession = AddSession(std::move(pSession));
        return outcome;
    });
}

// A session handle of 0 sends within a session of its own, as Simple MAPI
// allows.
ULONG MAPISendMail(LHANDLE lhSession, ULONG_PTR, lpMapiMessage lpMessage, FLAGS flFlags, ULONG) {
    return Recorded([&] {
        if (flFlags & MAPI_DIALOG)
            return CMailOutcome::Failure(MapiResult::DialogRequested, CORVANE_STEP_NONE,
                                         "no dialogs");
        if (lhSession == 0) {
            CMapiSession session;
            const CMailOutcome logon = session.Logon();
            return logon.Succeeded() ? session.SendMail(lpMessage) : logon;
        }
        const std::shared_ptr<CMapiSession> pSession = FindSession(lhSession);
        return pSession ? pSession->SendMail(lpMessage) : NoSuchSession();
    });
}

ULONG MAPILogoff(LHANDLE lhSession, ULONG_PTR, FLAGS, ULONG) {
    return Recorded([&] { return RemoveSession(lhSession) ? CMailOutcome() : NoSuchSession(); });
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

ULONG CorvaneLastResult(lpCorvaneResult lpResult) {
    return Guarded([&] {
        if (!lpResult)
            return MapiResult::NoResultPointer;
        *lpResult = t_lastOutcome.ToResult();
        return SUCCESS_SUCCESS;
    });
}

void CorvaneAbortSend() {
    CSendAbort::AbortCalls();
}
}
