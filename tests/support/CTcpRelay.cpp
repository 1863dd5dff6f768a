#include "CTcpRelay.h"

#include <arpa/inet.h>
#include <chrono>
#include <deque>
#include <fcntl.h>
#include <list>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Data read from one side, due for the other side at a time.
struct Piece {
    Clock::time_point due;
    std::string data;
};

// One direction of a connection: what came in and waits for its time.
struct Direction {
    int from;
    int to;
    std::deque<Piece> pending;
    bool bOpen = true;
};

struct Link {
    Direction up;
    Direction down;
};

sockaddr_in Loopback(int nPort) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uint16_t(nPort));
    return address;
}

void NoDelay(int fd) {
    const int nOn = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &nOn, sizeof nOn);
}

// Reads what is there; false at the end of the stream.
bool ReadInto(Direction& direction, Clock::duration delay) {
    char buffer[65536];
    const ssize_t nRead = read(direction.from, buffer, sizeof buffer);
    if (nRead <= 0)
        return false;
    direction.pending.push_back({Clock::now() + delay, std::string(buffer, size_t(nRead))});
    return true;
}

// Writes what is due, whole (the sockets block); false when the other side
// is gone. Without MSG_NOSIGNAL a write to a side that has closed raises
// SIGPIPE, which ends the whole test program.
bool WriteDue(Direction& direction) {
    while (!direction.pending.empty() && direction.pending.front().due <= Clock::now()) {
        const std::string& data = direction.pending.front().data;
        for (size_t nDone = 0; nDone < data.size();) {
            const ssize_t nWritten =
                send(direction.to, data.data() + nDone, data.size() - nDone, MSG_NOSIGNAL);
            if (nWritten <= 0)
                return false;
            nDone += size_t(nWritten);
        }
        direction.pending.pop_front();
    }
    return true;
}

} // namespace

CTcpRelay::CTcpRelay(int nTargetPort, int nDelayMs)
    : m_nTargetPort(nTargetPort), m_nDelayMs(nDelayMs) {
    m_nListener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t nLength = sizeof address;
    bind(m_nListener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(m_nListener, 8);
    getsockname(m_nListener, reinterpret_cast<sockaddr*>(&address), &nLength);
    m_nPort = ntohs(address.sin_port);
    if (pipe(m_wakePipe) != 0)
        return;
    m_thread = std::thread([this] { Relay(); });
}

CTcpRelay::~CTcpRelay() {
    if (m_thread.joinable()) {
        m_bStop = true;
        const char wake = 0;
        (void)!write(m_wakePipe[1], &wake, 1);
        m_thread.join();
    }
    close(m_wakePipe[0]);
    close(m_wakePipe[1]);
    close(m_nListener);
}

void CTcpRelay::Cut() {
    m_bCut = true;
    const char wake = 0;
    (void)!write(m_wakePipe[1], &wake, 1);
    while (m_bCut)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void CTcpRelay::Relay() {
    const auto delay = std::chrono::milliseconds(m_nDelayMs);
    std::list<Link> links;
    for (;;) {
        std::vector<pollfd> fds{{m_wakePipe[0], POLLIN, 0}, {m_nListener, POLLIN, 0}};
        std::vector<Direction*> readers;
        auto nextDue = Clock::time_point::max();
        for (Link& link : links) {
            for (Direction* pDirection : {&link.up, &link.down}) {
                if (pDirection->bOpen) {
                    fds.push_back({pDirection->from, POLLIN, 0});
                    readers.push_back(pDirection);
                }
                if (!pDirection->pending.empty())
                    nextDue = std::min(nextDue, pDirection->pending.front().due);
            }
        }
        int nTimeoutMs = -1;
        if (nextDue != Clock::time_point::max())
            nTimeoutMs = int(std::max<long long>(
                0, std::chrono::duration_cast<std::chrono::milliseconds>(nextDue - Clock::now())
                           .count() +
                       1));
        poll(fds.data(), fds.size(), nTimeoutMs);
        if (fds[0].revents != 0) {
            char wake = 0;
            (void)!read(m_wakePipe[0], &wake, 1);
            if (m_bStop)
                break;
            if (m_bCut) {
                for (Link& link : links) {
                    close(link.up.from);
                    close(link.down.from);
                }
                links.clear();
                m_bCut = false;
                continue;
            }
        }
        if (fds[1].revents & POLLIN) {
            const int nClient = accept(m_nListener, nullptr, nullptr);
            const int nServer = socket(AF_INET, SOCK_STREAM, 0);
            const sockaddr_in target = Loopback(m_nTargetPort);
            if (connect(nServer, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
                NoDelay(nClient);
                NoDelay(nServer);
                links.push_back({{nClient, nServer, {}}, {nServer, nClient, {}}});
            } else {
                close(nClient);
                close(nServer);
            }
        }
        for (size_t i = 0; i < readers.size(); ++i) {
            if (fds[i + 2].revents & (POLLIN | POLLHUP | POLLERR))
                readers[i]->bOpen = ReadInto(*readers[i], delay);
        }
        for (auto it = links.begin(); it != links.end();) {
            const bool bAlive = WriteDue(it->up) && WriteDue(it->down) &&
                                (it->up.bOpen || !it->up.pending.empty()) &&
                                (it->down.bOpen || !it->down.pending.empty());
            if (bAlive) {
                ++it;
                continue;
            }
            close(it->up.from);
            close(it->down.from);
            it = links.erase(it);
        }
    }
    for (Link& link : links) {
        close(link.up.from);
        close(link.down.from);
    }
}
