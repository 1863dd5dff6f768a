#pragma once

#include <atomic>

// What CorvaneAbortSend tells the Simple MAPI calls in progress. Each call
// holds a CSendAbort::Call while it runs; its waits on a server poll Fd()
// beside their socket, so that an abort from another thread ends them at
// once. Only the calls running at the moment of the abort are ended.
class CSendAbort {
public:
    // The calling thread's call, running until destroyed.
    class Call {
    public:
        Call();
        ~Call();
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;

    private:
        friend class CSendAbort;
        int m_nFd;
        std::atomic<bool> m_bAborted{false};
    };

    // Safe from any thread; does not wait for the calls to end.
    static void AbortCalls() noexcept;
    // The calling thread's call was aborted; false outside a call.
    static bool IsAborted();
    // Readable once the calling thread's call is aborted; -1 outside a call,
    // or where the system gave no event descriptor (IsAborted still tells).
    static int Fd();
};
