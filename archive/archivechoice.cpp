#include "archive/archivechoice.h"

#include "archive/archiveserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

std::optional<ArchiveLocation> ReadArchiveChoice(const QString &dir, QString *error)
{
    error->clear();
    const QString path = QDir(dir).filePath(QLatin1String(ArchiveChoiceFileName));
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    QFile file(path);
    if (!info.isFile() || info.size() > ArchiveChoiceMaxBytes) {
        *error = QStringLiteral("%1 is no file of one line").arg(QDir::toNativeSeparators(path));
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + file.errorString();
        return std::nullopt;
    }
    const QString line =
        QString::fromUtf8(file.read(ArchiveChoiceMaxBytes)).section(QLatin1Char('\n'), 0, 0);
    const QString text = line.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    QString reason;
    std::optional<ArchiveLocation> where = ParseArchiveLocation(text, &reason);
    if (!where)
        *error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + reason;
    return where;
}

bool WriteArchiveChoice(const QString &dir, const ArchiveLocation &where, QString *error)
{
    const QString path = QDir(dir).filePath(QLatin1String(ArchiveChoiceFileName));
    const QString text = ArchiveLocationText(where);
    // What cannot be read back (a password among it) is not written.
    if (!ParseArchiveLocation(text, error))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8() + "\r\n") < 0 ||
        !file.commit()) {
        *error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

ArchiveLocation ChosenArchiveLocationIn(const QString &dir, QString *error)
{
    error->clear();
    if (qEnvironmentVariableIsSet(ArchiveEnvironment)) {
        const std::optional<ArchiveLocation> chosen =
            ParseArchiveLocation(qEnvironmentVariable(ArchiveEnvironment), error);
        return chosen ? *chosen : ArchiveLocation{ArchiveLocation::Driver::Sqlite, QString()};
    }
    const std::optional<ArchiveLocation> stored = ReadArchiveChoice(dir, error);
    if (stored)
        return *stored;
    if (!error->isEmpty())
        return {ArchiveLocation::Driver::Sqlite, QString()};
    return DefaultArchiveLocation();
}

std::optional<ArchiveLocation> DatabaseChoice(bool server, const QString &text, const QString &dir,
                                              QString *error)
{
    error->clear();
    const QString typed = text.trimmed();
    if (!server) {
        if (typed.isEmpty()) {
            *error = QStringLiteral("the archive needs the path of its file");
            return std::nullopt;
        }
        return ArchiveLocation{
            ArchiveLocation::Driver::Sqlite,
            QDir::cleanPath(QDir(dir).absoluteFilePath(QDir::fromNativeSeparators(typed)))};
    }
    std::optional<ArchiveLocation> where = ParseServerLocation(typed, error);
    if (!where && error->isEmpty())
        *error =
            QStringLiteral("a server must be given as postgresql:// followed by the server, or "
                           "odbc: followed by a connection string or DSN");
    return where;
}

bool TryArchiveLocation(const ArchiveLocation &where, QString *error)
{
    return ArchiveStore::Open(where, error) != nullptr;
}
