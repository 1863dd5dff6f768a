#include "mapi32/CSendAbort.h"

#include <mutex>
#include <set>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

struct RunningCalls {
    std::mutex mutex;
    std::set<CSendAbort::Call*> setCalls;
};

RunningCalls& TheRunningCalls() {
    static RunningCalls calls;
    return calls;
}

// A plain pointer, so that it can still be read while the process exits
// (a parked connection says QUIT then).
thread_local const CSendAbort::Call* t_pCall = nullptr;

} // namespace

CSendAbort::Call::Call() : m_nFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    RunningCalls& calls = TheRunningCalls();
    {
        const std::lock_guard lock(calls.mutex);
        calls.setCalls.insert(this);
    }
    t_pCall = this;
}

CSendAbort::Call::~Call() {
    t_pCall = nullptr;
    RunningCalls& calls = TheRunningCalls();
    {
        const std::lock_guard lock(calls.mutex);
        calls.setCalls.erase(this);
    }
    if (m_nFd >= 0)
        ::close(m_nFd);
}

void CSendAbort::AbortCalls() noexcept {
    RunningCalls& calls = TheRunningCalls();
    const std::lock_guard lock(calls.mutex);
    for (Call* pCall : calls.setCalls) {
        pCall->m_bAborted = true;
        if (pCall->m_nFd >= 0)
            ::eventfd_write(pCall->m_nFd, 1);
    }
}

bool CSendAbort::IsAborted() {
    return t_pCall && t_pCall->m_bAborted;
}

int CSendAbort::Fd() {
    return t_pCall ? t_pCall->m_nFd : -1;
}
