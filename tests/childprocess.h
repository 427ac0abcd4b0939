#pragma once
// Work done in a forked child process: under a file-size limit, or killed at
// a point the child itself names.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace childprocess {
// The read end of a pipe as a file.
inline QByteArray ReadPipe(int fd)
{
    QFile reader;
    reader.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    return reader.readAll();
}
} // namespace childprocess

// Runs work in a child process and returns the text it gave back.
inline QString InChildProcess(const std::function<QString()> &work)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        const QByteArray text = work().toUtf8();
        ::_exit(::write(fds[1], text.constData(), text.size()) == text.size() ? 0 : 1);
    }
    ::close(fds[1]);
    const QString said = QString::fromUtf8(childprocess::ReadPipe(fds[0]));
    ::waitpid(child, nullptr, 0);
    return said;
}

// Runs save in a child process whose files may not grow beyond limit bytes
// and returns the text it gave back.
inline QString UnderFileSizeLimit(rlim_t limit, const std::function<QString()> &save)
{
    return InChildProcess([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit r{};
        ::getrlimit(RLIMIT_FSIZE, &r);
        r.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &r);
        return save();
    });
}

// Runs work in a child process and kills it (SIGKILL) as soon as work calls
// the function it is given, which never returns. True when it was called.
inline bool KilledWhenReady(const std::function<void(const std::function<void()> &ready)> &work)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        work([&] {
            if (::write(fds[1], "!", 1) == 1)
                for (;;)
                    ::pause();
        });
        ::_exit(0);
    }
    ::close(fds[1]);
    char said = 0;
    const bool ready = ::read(fds[0], &said, 1) == 1 && said == '!';
    ::close(fds[0]);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return ready;
}
