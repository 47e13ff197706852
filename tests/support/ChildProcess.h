#pragma once

#include <QByteArray>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <optional>

// Runs `work` in a forked child and returns what it returned, or nothing when the
// child died or did not finish within `seconds` (an alarm ends it). Limits, umask
// and dropped privileges set inside `work` stay inside the child, and a write that
// blocks is ended instead of hanging the suite.
inline std::optional<QByteArray> runInChild(const std::function<QByteArray()>& work,
                                            unsigned seconds) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return std::nullopt;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        ::alarm(seconds);
        const QByteArray report = 'R' + work();
        const bool sent =
            ::write(pipeFds[1], report.constData(), std::size_t(report.size())) == report.size();
        ::_exit(sent ? 0 : 1);
    }
    ::close(pipeFds[1]);
    QByteArray report;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        report.append(buffer, n > 0 ? n : 0);
    ::close(pipeFds[0]);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0 || !report.startsWith('R'))
        return std::nullopt;
    return report.mid(1);
}
