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
    // The UIDs of a stretch of rows in one reading, not one reading a row.
    constexpr qint64 stretch = 256;
    QHash<qint64, QString> stretchUids;
    for (qint64 row = 0; row < count; ++row) {
        if (uids && row % stretch == 0) {
            QList<qint64> keys;
            for (qint64 r = row; r < qMin(count, row + stretch); ++r) {
                if (const std::optional<qint64> key = rows.keyAt(r))
                    keys << *key;
            }
            stretchUids = uids->uidsOf(keys);
        }
        const std::optional<RecordModel::Row> read = rows.rowAt(row);
        if (!read)
            return false;
        Records::Values record;
        for (int c = 0; c < fields.size() && c < read->values.size(); ++c)
            record.insert(fields.at(c), read->values.at(c));
        if (read->key) {
            if (const auto uid = stretchUids.constFind(*read->key); uid != stretchUids.cend())
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
