#include "archive/store/archivechoice.h"

#include "archive/store/archiveserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString ChoicePath(const QString &dir)
{
    return QDir(dir).filePath(QLatin1String(ArchiveChoiceFileName));
}

ArchiveError FileFailed(const QString &path, const QString &reason)
{
    return ArchiveError(ArchiveErrorCode::FileFailed)
        .At(QDir::toNativeSeparators(path))
        .Because(reason);
}

} // namespace

std::optional<ArchiveLocation> ReadArchiveChoice(const QString &dir, ArchiveError *error)
{
    *error = {};
    const QString path = ChoicePath(dir);
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    QFile file(path);
    if (!info.isFile() || info.size() > ArchiveChoiceMaxBytes) {
        *error = ArchiveError(ArchiveErrorCode::NotOneLine).About(QDir::toNativeSeparators(path));
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = FileFailed(path, file.errorString());
        return std::nullopt;
    }
    const QString line =
        QString::fromUtf8(file.read(ArchiveChoiceMaxBytes)).section(QLatin1Char('\n'), 0, 0);
    const QString text = line.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    std::optional<ArchiveLocation> where = ParseArchiveLocation(text, error);
    if (!where)
        error->place = QDir::toNativeSeparators(path);
    return where;
}

bool WriteArchiveChoice(const QString &dir, const ArchiveLocation &where, ArchiveError *error)
{
    const QString path = ChoicePath(dir);
    const QString text = ArchiveLocationText(where);
    // What cannot be read back (a password among it) is not written.
    if (!ParseArchiveLocation(text, error))
        return false;
    const QByteArray line = text.toUtf8() + "\r\n";
    if (line.size() > ArchiveChoiceMaxBytes) {
        *error = ArchiveError(ArchiveErrorCode::LocationTooLong);
        return false;
    }
    // Readable by its owner only, before a byte of it is written: a server's
    // login or a DSN's name is nobody else's business.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(line) < 0 || !file.commit()) {
        *error = FileFailed(path, file.errorString());
        return false;
    }
    return true;
}

ArchiveLocation ChosenArchiveLocationIn(const QString &dir, ArchiveError *error)
{
    *error = {};
    if (qEnvironmentVariableIsSet(ArchiveEnvironment)) {
        const std::optional<ArchiveLocation> chosen =
            ParseArchiveLocation(qEnvironmentVariable(ArchiveEnvironment), error);
        return chosen ? *chosen : ArchiveLocation{ArchiveLocation::Driver::Sqlite, QString()};
    }
    const std::optional<ArchiveLocation> stored = ReadArchiveChoice(dir, error);
    if (stored)
        return *stored;
    if (error->Failed())
        return {ArchiveLocation::Driver::Sqlite, QString()};
    return DefaultArchiveLocation();
}

std::optional<ArchiveLocation> DatabaseChoice(bool server, const QString &text, const QString &dir,
                                              ArchiveError *error)
{
    *error = {};
    const QString typed = text.trimmed();
    if (!server) {
        if (typed.isEmpty()) {
            *error = ArchiveError(ArchiveErrorCode::NoFilePath);
            return std::nullopt;
        }
        const ArchiveLocation file{
            ArchiveLocation::Driver::Sqlite,
            QDir::cleanPath(QDir(dir).absoluteFilePath(QDir::fromNativeSeparators(typed)))};
        // Only what Kestrune.ARC can keep and give back.
        if (!ParseArchiveLocation(ArchiveLocationText(file), error))
            return std::nullopt;
        return file;
    }
    std::optional<ArchiveLocation> where = ParseServerLocation(typed, error);
    if (!where && !error->Failed())
        *error = ArchiveError(ArchiveErrorCode::NoServerLocation);
    return where;
}
