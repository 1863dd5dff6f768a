#include "CXvfbServer.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

CXvfbServer::CXvfbServer() {
    int fds[2];
    if (pipe(fds) != 0)
        return;
    // Xvfb picks the display number itself and writes it to the pipe once it
    // accepts connections.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>("Xvfb"),
                    const_cast<char*>("-displayfd"),
                    const_cast<char*>("1"),
                    const_cast<char*>("-nolisten"),
                    const_cast<char*>("tcp"),
                    const_cast<char*>("-screen"),
                    const_cast<char*>("0"),
                    const_cast<char*>("640x480x24"),
                    nullptr};
    const bool bStarted = posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (!bStarted) {
        m_pid = -1;
        close(fds[0]);
        return;
    }
    QByteArray number;
    char ch = 0;
    while (read(fds[0], &ch, 1) == 1 && ch != '\n')
        number += ch;
    close(fds[0]);
    if (!number.isEmpty())
        m_display = number.prepend(':');
}

CXvfbServer::~CXvfbServer() {
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
}

bool CXvfbServer::UseForThisProcess() const {
    if (m_display.isEmpty()) {
        qCritical("Xvfb did not start");
        return false;
    }
    qputenv("DISPLAY", m_display);
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
    return true;
}
