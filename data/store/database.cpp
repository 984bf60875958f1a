#include "database.h"

#include "deletedtables.h"
#include "searchkeys.h"
#include "upgrade.h"

#include "data/text/clock.h"

#include <QDateTime>

namespace dalil::Database {

QSqlDatabase connection(const QString &path, DataError *error)
{
    return open(path, error, [](const QSqlDatabase &db, bool writable) {
        SearchKeys::registerFunctions(db);
        if (writable) {
            Upgrade::bringUpToDate(db);
            SearchKeys::fillMissing(db);
            // Deleted records are kept for a while, not for ever.
            DeletedRecords::dropDeletedBefore(db, Clock::nowUtc().addDays(-DeletedRecords::keptDays));
        }
    });
}

bool hasSearchKeys(const QString &path)
{
    DataError error;
    const QSqlDatabase db = connection(path, &error);
    return db.isValid() && SearchKeys::present(db);
}

} // namespace dalil::Database
