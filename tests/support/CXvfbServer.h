#pragma once

#include <QApplication>
#include <QByteArray>
#include <QTest>
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
    // Points this process at the server (DISPLAY and the xcb platform); says
    // so and returns false when the server did not come up.
    bool UseForThisProcess() const;

    // The main() of a desktop test program: runs the test object on the xcb
    // platform of its own private X server.
    template <class Test> static int Exec(int argc, char* argv[]) {
        const CXvfbServer server;
        if (!server.UseForThisProcess())
            return 1;
        QApplication app(argc, argv);
        Test test;
        return QTest::qExec(&test, argc, argv);
    }

private:
    pid_t m_pid = -1;
    QByteArray m_display;
};
