#include "app/instanceguard.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString LockFileName(const QString &name)
{
    QString safe = name;
    for (QChar &c : safe) {
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != QLatin1Char('-') &&
            c != QLatin1Char('.'))
            c = QLatin1Char('_');
    }
    return safe + QStringLiteral(".lock");
}

QString DefaultLockFilePath(const QString &name)
{
    // Asked without XDG_RUNTIME_DIR, Qt warns on every start and makes a
    // directory of its own; the temporary directory serves as well.
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!dir.isEmpty())
            return QDir(dir).filePath(LockFileName(name));
    }
    // The temporary directory is shared by every user: the user id in the
    // name keeps another user's lock file from stopping this user's start.
    return QDir(QDir::tempPath())
        .filePath(LockFileName(name + QStringLiteral("-%1").arg(getuid())));
}

} // namespace

struct InstanceGuard::Handle
{
    int Fd = -1;
    bool Acquired = false;

    ~Handle()
    {
        if (Fd >= 0)
            close(Fd);
    }
};

InstanceGuard::InstanceGuard(const QString &name) : InstanceGuard(name, QString()) {}

InstanceGuard::InstanceGuard(const QString &name, const QString &directory)
    : FHandle(std::make_unique<Handle>())
{
    const QByteArray path =
        QFile::encodeName(directory.isEmpty() ? DefaultLockFilePath(name)
                                              : QDir(directory).filePath(LockFileName(name)));
    do {
        FHandle->Fd = open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (FHandle->Fd < 0 && errno == EINTR);
    if (FHandle->Fd < 0) {
        // Without a lock file nobody can be told apart; like a mutex that
        // could not be created, this does not keep the program from running.
        FHandle->Acquired = true;
        return;
    }
    // The lock belongs to this open file description: a second guard in the
    // same process opens its own and is refused, and the kernel drops the lock
    // when the process ends, however it ends.
    int rc;
    do {
        rc = flock(FHandle->Fd, LOCK_EX | LOCK_NB);
    } while (rc < 0 && errno == EINTR);
    FHandle->Acquired = rc == 0 || errno != EWOULDBLOCK;
}

InstanceGuard::~InstanceGuard() = default;

bool InstanceGuard::Acquired() const
{
    return FHandle->Acquired;
}
