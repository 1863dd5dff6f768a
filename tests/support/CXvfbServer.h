#pragma once

#include <QByteArray>
#include <sys/types.h>

// A private X server (Xvfb) on a free display number, for tests that need a
// real desktop with other programs on it. Started before the application
// object exists, so it does without Qt's process handling.
class CXvfbServer {
public:
    CXvfbServer();
    ~CXvfbServer();
    CXvfbServer(const CXvfbServer&) = delete;
    CXvfbServer& operator=(const CXvfbServer&) = delete;

    // ":N", or empty when the server did not come up.
    QByteArray Display() const { return m_display; }

private:
    pid_t m_pid = -1;
    QByteArray m_display;
};
