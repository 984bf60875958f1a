#include "recordexport.h"

#include "data/store/database.h"
#include "data/store/recorduids.h"

namespace dalil::Exchange {

bool write(const RecordModel &rows, RecordWriter &writer, const Progress &progress)
{
    const QStringList fields = rows.fields();
    const qint64 count = rows.count();
    DataError error;
    const QSqlDatabase db = Database::connection(rows.databaseName(), &error);
    std::optional<RecordUids::Lookup> uids;
    if (db.isValid())
        uids.emplace(db, rows.object());
    for (qint64 row = 0; row < count; ++row) {
        const std::optional<RecordModel::Row> read = rows.rowAt(row);
        if (!read)
            return false;
        Records::Values record;
        for (int c = 0; c < fields.size() && c < read->values.size(); ++c)
            record.insert(fields.at(c), read->values.at(c));
        if (uids && read->key) {
            if (const std::optional<QString> uid = uids->uidOf(*read->key))
                record.insert(uidField, *uid);
        }
        if (!writer.write(record))
            return false;
        if (progress && (row % 256) == 255 && !progress(row + 1))
            return false;
    }
    return writer.finish();
}

} // namespace dalil::Exchange
