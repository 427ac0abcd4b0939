#pragma once
// A transaction that rolls back unless committed.

#include <QSqlDatabase>
#include <QString>

class SqlTransaction
{
public:
    explicit SqlTransaction(QSqlDatabase db);
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction &) = delete;
    SqlTransaction &operator=(const SqlTransaction &) = delete;

    // false with the database's reason in *reason when no transaction began.
    bool Began(QString *reason) const;
    // false with the database's reason in *reason; the destructor then rolls
    // back.
    bool Commit(QString *reason);

private:
    QSqlDatabase FDb;
    bool FBegan = false;
    bool FDone = false;
};
