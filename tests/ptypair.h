#pragma once
// A pseudo-terminal pair for serial tests: the program opens the slave side
// by its port name ("pts/N"); the test plays the tester on the master side.

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

class PtyPair
{
public:
    PtyPair()
    {
        FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (FMaster < 0 || ::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0)
            return;
        char name[64] = {};
        if (::ptsname_r(FMaster, name, sizeof name) != 0)
            return;
        FDevicePath = QString::fromLocal8Bit(name);
        ::fcntl(FMaster, F_SETFL, ::fcntl(FMaster, F_GETFL) | O_NONBLOCK);
        // Held open so that the port's Close does not hang up the master, and
        // raw so that nothing written to the port is echoed or translated.
        FSlave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (FSlave < 0)
            return;
        termios tio{};
        ::tcgetattr(FSlave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(FSlave, TCSANOW, &tio);
    }
    ~PtyPair()
    {
        if (FSlave >= 0)
            ::close(FSlave);
        CloseMaster();
    }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool IsValid() const { return FMaster >= 0 && FSlave >= 0; }
    QString DevicePath() const { return FDevicePath; }
    QString PortName() const { return FDevicePath.mid(5); } // without "/dev/"
    int MasterFd() const { return FMaster; }
    int SlaveFd() const { return FSlave; }

    // The tester sends bytes to the program.
    bool Send(const QByteArray &bytes, int timeoutMs = 2000)
    {
        QElapsedTimer timer;
        timer.start();
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::write(FMaster, bytes.constData() + sent,
                                      static_cast<size_t>(bytes.size() - sent));
            if (n > 0) {
                sent += n;
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            const qint64 left = timeoutMs - timer.elapsed();
            if (left <= 0)
                return false;
            pollfd p{FMaster, POLLOUT, 0};
            ::poll(&p, 1, static_cast<int>(left));
        }
        return true;
    }

    // The tester collects up to count bytes from the program, waiting at most
    // timeoutMs for them.
    QByteArray Receive(int count, int timeoutMs = 2000)
    {
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        while (got.size() < count) {
            char buffer[4096];
            const ssize_t n = ::read(FMaster, buffer,
                                     std::min<size_t>(sizeof buffer, size_t(count - got.size())));
            if (n > 0) {
                got.append(buffer, n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
            const qint64 left = timeoutMs - timer.elapsed();
            if (left <= 0)
                break;
            pollfd p{FMaster, POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(left));
        }
        return got;
    }

    // The tester's end goes away for good (an unplugged tester).
    void CloseMaster()
    {
        if (FMaster >= 0)
            ::close(FMaster);
        FMaster = -1;
    }

private:
    int FMaster = -1;
    int FSlave = -1;
    QString FDevicePath;
};
