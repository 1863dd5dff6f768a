#pragma once

#include <atomic>
#include <thread>

// A TCP relay on 127.0.0.1 to a port of 127.0.0.1. It may hold back every
// piece of data for a fixed delay in each direction, as a network with that
// latency would, without limiting the bandwidth (a round trip through it
// then takes twice the delay); and it may cut its connections, as a network
// that goes away does, with no word from either end.
class CTcpRelay {
public:
    // Relays connections of Port() to nTargetPort.
    explicit CTcpRelay(int nTargetPort, int nDelayMs = 0);
    ~CTcpRelay();
    CTcpRelay(const CTcpRelay&) = delete;
    CTcpRelay& operator=(const CTcpRelay&) = delete;

    int Port() const { return m_nPort; }
    // Closes every connection it relays, and returns once they are closed.
    void Cut();

private:
    void Relay();

    int m_nTargetPort;
    int m_nDelayMs;
    int m_nListener = -1;
    int m_nPort = 0;
    int m_wakePipe[2] = {-1, -1};
    std::atomic<bool> m_bStop = false;
    std::atomic<bool> m_bCut = false;
    std::thread m_thread;
};
