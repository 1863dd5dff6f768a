#pragma once

#include <atomic>
#include <thread>

// A TCP relay on 127.0.0.1 that holds back every piece of data for a fixed
// delay in each direction, as a network with that latency would, without
// limiting the bandwidth: a round trip through it takes twice the delay.
class CLatencyProxy {
public:
    // Relays connections of Port() to nTargetPort of 127.0.0.1.
    CLatencyProxy(int nTargetPort, int nDelayMs);
    ~CLatencyProxy();
    CLatencyProxy(const CLatencyProxy&) = delete;
    CLatencyProxy& operator=(const CLatencyProxy&) = delete;

    int Port() const { return m_nPort; }

private:
    void Relay();

    int m_nTargetPort;
    int m_nDelayMs;
    int m_nListener = -1;
    int m_nPort = 0;
    int m_stopPipe[2] = {-1, -1};
    std::thread m_thread;
};
