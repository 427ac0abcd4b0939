// The archive's database driver on Windows, loaded before the serial link's
// watcher threads come and go. Qt's SQLite driver library carries static
// thread storage; Wine's loader gives a library loaded later storage in every
// thread it still knows, an ended one among them, and so wrote into freed
// memory or through a null pointer when the first download was archived. The
// driver stays loaded until the program ends; the archive itself is still
// opened on first use.

#include "archive/store/archivedriver.h"
#include "archive/store/sqlconnection.h"

void LoadArchiveDriver()
{
    // A connection made and removed at once loads the driver's library.
    if (QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        const SqlConnection driver(QStringLiteral("QSQLITE"));
    }
}
