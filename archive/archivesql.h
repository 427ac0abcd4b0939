#pragma once
// Small pieces over Qt SQL that the archive's files share: a connection of
// their own, a transaction that rolls back unless committed, statements with
// bound values and the reason of a failure.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

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

// Rolls back what it began unless Commit succeeded.
class SqlTransaction
{
public:
    explicit SqlTransaction(QSqlDatabase db);
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction &) = delete;
    SqlTransaction &operator=(const SqlTransaction &) = delete;

    // false with the reason in *error when no transaction began.
    bool Began(QString *error) const;
    // false with the reason in *error; the destructor then rolls back.
    bool Commit(QString *error);

private:
    QSqlDatabase FDb;
    bool FBegan = false;
    bool FDone = false;
};

// The text as a value to bind: Qt SQL binds a null text as NULL, and the
// archive keeps empty texts as empty texts.
QVariant SqlText(const QString &text);

// The database's own words for a failure when it gave any.
QString SqlReason(const QSqlError &error);

// Prepares sql on db and runs it with values bound in order; false with the
// reason in *error.
bool RunSql(QSqlQuery &query, const QString &sql, const QVariantList &values, QString *error);
