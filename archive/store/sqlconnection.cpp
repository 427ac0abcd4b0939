#include "archive/store/sqlconnection.h"

#include <QAtomicInteger>

namespace {
QAtomicInteger<quint64> ConnectionsMade;
}

SqlConnection::SqlConnection(const QString &driver)
    : FName(QStringLiteral("kestrune-archive-%1").arg(ConnectionsMade.fetchAndAddRelaxed(1)))
{
    QSqlDatabase::addDatabase(driver, FName);
}

SqlConnection::~SqlConnection()
{
    {
        QSqlDatabase db = Db();
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(FName);
}
