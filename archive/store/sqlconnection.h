#pragma once
// A database connection of the archive's own, under a name no other has; Qt
// SQL keeps it for the thread that made it.

#include <QSqlDatabase>
#include <QString>

// One named connection, removed when this goes.
class SqlConnection
{
public:
    // A connection of driver under a name no other connection has.
    explicit SqlConnection(const QString &driver);
    ~SqlConnection();
    SqlConnection(const SqlConnection &) = delete;
    SqlConnection &operator=(const SqlConnection &) = delete;

    QSqlDatabase Db() const { return QSqlDatabase::database(FName, false); }

private:
    QString FName;
};
