#include "exchange.h"

#include "data/store/database.h"
#include "data/store/recorduids.h"
#include "data/store/statement.h"
#include "data/text/clock.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTimeZone>

#include <algorithm>
#include <chrono>
#include <future>
#include <unordered_set>
#include <vector>

namespace dalil::Exchange {

namespace {

// Records told apart by every column's stored value, letter for letter: 128 bits of two
// independent hashes, so that a million stored records fit in a few tens of megabytes.
struct Fingerprint
{
    size_t a = 0;
    size_t b = 0;
    bool operator==(const Fingerprint &) const = default;
};
struct FingerprintHash
{
    size_t operator()(const Fingerprint &f) const { return f.a; }
};

// The records met so far: those of the book, read once, as a sorted array (16 bytes a record,
// a million of them in 16 MB, where a hash set took three times that), and those read since.
class Fingerprints
{
public:
    void addStored(const Fingerprint &f) { m_stored.push_back(f); }
    // Sorted on a thread of its own (a million take 150 ms), going() called meanwhile; the
    // sort is not stopped, as its array is the caller's until it ends.
    void storedRead(const std::function<bool()> &going)
    {
        auto sorting = std::async(std::launch::async, [this] {
            std::sort(m_stored.begin(), m_stored.end(), before);
            m_stored.erase(std::unique(m_stored.begin(), m_stored.end()), m_stored.end());
            m_stored.shrink_to_fit();
        });
        while (sorting.wait_for(std::chrono::milliseconds(8)) != std::future_status::ready)
            going();
    }
    // Whether f is met for the first time; it is then met.
    bool insert(const Fingerprint &f)
    {
        return !std::binary_search(m_stored.cbegin(), m_stored.cend(), f, before) && m_added.insert(f).second;
    }
    void clear()
    {
        m_stored = {};
        m_added = {};
    }

private:
    static bool before(const Fingerprint &x, const Fingerprint &y) { return x.a != y.a ? x.a < y.a : x.b < y.b; }
    std::vector<Fingerprint> m_stored;
    std::unordered_set<Fingerprint, FingerprintHash> m_added;
};

Fingerprint fingerprint(const QList<QVariant> &values)
{
    QString text;
    for (const QVariant &value : values) {
        // An empty text is stored as no value; a whole number and its digits are the same value.
        if (value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isEmpty())) {
            text += QLatin1String("\x01");
        } else {
            text += QLatin1String("\x02");
            text += value.toString();
        }
    }
    const QByteArrayView bytes(reinterpret_cast<const char *>(text.constData()), text.size() * 2);
    return {qHash(bytes, 0x9e3779b97f4a7c15ULL), qHash(bytes, 0x2545f4914f6cdd1dULL)};
}

Fingerprint fingerprint(const QStringList &columns, const Records::Values &record)
{
    QList<QVariant> values;
    values.reserve(columns.size());
    for (const QString &column : columns)
        values << record.value(column);
    return fingerprint(values);
}

// The fingerprints of every record of the book.
// False on an error (in *error) or when going() said to stop: a book of a million records
// takes seconds to read, and the windows answer meanwhile.
bool readStored(const QSqlDatabase &db, const QString &book, const QStringList &columns, Fingerprints &stored,
                QSqlError *error, const std::function<bool()> &going)
{
    QStringList quoted;
    for (const QString &column : columns)
        quoted << quoteIdentifier(column);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT %1 FROM %2").arg(quoted.join(u", "), quoteIdentifier(book)))) {
        *error = query.lastError();
        return false;
    }
    QList<QVariant> values(columns.size());
    for (qint64 n = 1; query.next(); ++n) {
        for (int c = 0; c < columns.size(); ++c)
            values[c] = query.value(c);
        stored.addStored(fingerprint(values));
        if (n % 2048 == 0 && !going())
            return false;
    }
    stored.storedRead(going);
    return true;
}

// The record with only the book's columns, its empty texts as no value.
Records::Values bookRecord(const QStringList &columns, const Records::Values &record)
{
    Records::Values kept;
    for (const QString &column : columns) {
        const QVariant value = record.value(column);
        if (!value.isNull() && !(value.typeId() == QMetaType::QString && value.toString().isEmpty()))
            kept.insert(column, value);
    }
    return kept;
}

const char *timeFormat = "yyyy-MM-dd HH:mm:ss.zzz";

bool importsKept(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'ImportBatches'"))
        && query.next();
}

} // namespace

QString DigestUids::next(const Records::Values &record)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (auto it = record.cbegin(); it != record.cend(); ++it) {
        if (it.key() == uidField)
            continue;
        hash.addData(it.key().toUtf8());
        hash.addData(QByteArrayView("\x1e", 1));
        hash.addData(it.value().toString().toUtf8());
        hash.addData(QByteArrayView("\x1f", 1));
    }
    const QByteArray digest = hash.result().left(12).toHex();
    const int seen = m_seen[digest]++;
    return QString::fromLatin1(digest + '-' + QByteArray::number(seen) + "@dalil");
}

} // namespace dalil::Exchange

namespace dalil::Exchange {

Preview preview(const QString &databasePath, const QString &book, RecordReader &reader, const Progress &progress)
{
    Preview result;
    const QStringList columns = Exchange::columns(book);
    QSqlDatabase db = Database::connection(databasePath, &result.error);
    if (!db.isValid())
        return result;
    Fingerprints seen;
    QSqlError sqlError;
    if (!readStored(db, book, columns, seen, &sqlError, [&] { return !progress || progress(0); })) {
        result.cancelled = !sqlError.isValid();
        if (!result.cancelled)
            result.error = DataError::fromSql(sqlError, databasePath);
        return result;
    }
    Records::Values record;
    qint64 read = 0;
    while (reader.next(record)) {
        const Records::Values kept = bookRecord(columns, record);
        if (!seen.insert(fingerprint(columns, kept))) {
            ++result.duplicates;
        } else {
            ++result.records;
            const QString question = reader.question();
            if (!question.isEmpty() && result.questioned++ == 0)
                result.questionedWhy = question;
            if (result.first.size() < Preview::shown) {
                result.first << kept;
                result.questions << question;
            }
        }
        if (progress && (++read % 256) == 1 && !progress(reader.position())) {
            result.cancelled = true;
            return result;
        }
    }
    result.problem = reader.problem();
    result.notices = reader.notices();
    result.encoding = reader.encoding();
    return result;
}

Imported store(const QString &databasePath, const QString &book, RecordReader &reader, const Progress &progress,
               bool leaveOutQuestioned)
{
    Imported result;
    const QStringList columns = Exchange::columns(book);
    Fingerprints seen;
    qint64 read = 0;
    bool readStoredOnce = false;
    QString uid; // of the record given last
    const auto next = [&](Records::Values &record) {
        if (result.cancelled)
            return Records::Next::GiveUp;
        bool more = reader.next(record);
        for (; more && leaveOutQuestioned && !reader.question().isEmpty(); more = reader.next(record))
            ++result.leftOut;
        if (!more) {
            result.problem = reader.problem();
            return result.problem.isProblem() ? Records::Next::GiveUp : Records::Next::End;
        }
        uid = record.value(uidField).toString();
        record = bookRecord(columns, record);
        if (progress && (++read % 256) == 1 && !progress(reader.position())) {
            result.cancelled = true;
            return Records::Next::GiveUp;
        }
        return Records::Next::Record;
    };
    // The stored records are read inside the write's transaction, so that what is skipped is
    // what the file holds as the records are added.
    QSqlError readError;
    const auto skip = [&](QSqlDatabase &db, const Records::Values &record) {
        if (!readStoredOnce) {
            readStoredOnce = true;
            const auto going = [&] { return !progress || progress(reader.position()); };
            if (!readStored(db, book, columns, seen, &readError, going)) {
                seen.clear();
                result.cancelled = !readError.isValid();
            }
        }
        return !seen.insert(fingerprint(columns, record));
    };
    const auto keep = [&](QSqlDatabase &db, const Records::Added &added) {
        if (readError.isValid())
            return false;
        if (!added.firstKey || !importsKept(db))
            return true;
        // An import is undone by its range of identities; a book whose identities were not
        // handed out in order (its largest identity taken) keeps no such range.
        if (*added.lastKey - *added.firstKey + 1 != added.added)
            return true;
        QSqlQuery query(db);
        query.prepare(QStringLiteral("INSERT INTO ImportBatches (book, firstKey, lastKey, added, importedAt) "
                                     "VALUES (?, ?, ?, ?, ?)"));
        query.addBindValue(book);
        query.addBindValue(*added.firstKey);
        query.addBindValue(*added.lastKey);
        query.addBindValue(added.added);
        query.addBindValue(Clock::nowUtc().toString(QLatin1String(timeFormat)));
        return query.exec();
    };
    // A record keeps its card's or event's UID; one that another record holds already keeps
    // the UID it was given.
    std::optional<RecordUids::Lookup> uids;
    const auto adopt = [&](QSqlDatabase &db, qint64 key) {
        if (uid.isEmpty())
            return true;
        if (!uids)
            uids.emplace(db, book);
        uids->adopt(key, uid);
        return true;
    };
    // The records are in; their search keys are made a slice at a time, the windows painting.
    const auto meanwhile = [&] {
        if (progress)
            progress(reader.position());
    };
    const Records::Added added = Records::insertAll(databasePath, book, next, skip, keep, adopt, meanwhile);
    result.added = added.ok() ? added.added : 0;
    result.duplicates = added.ok() ? added.skipped : 0;
    if (readError.isValid())
        result.error = DataError::fromSql(readError, databasePath);
    else if (!result.problem.isProblem() && !result.cancelled)
        result.error = added.error;
    return result;
}

std::optional<Batch> newestBatch(const QString &databasePath, const QString &book, DataError *error)
{
    QSqlDatabase db = Database::connection(databasePath, error);
    if (!db.isValid() || !importsKept(db))
        return std::nullopt;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id, firstKey, lastKey, added, importedAt FROM ImportBatches "
                                 "WHERE book = ? AND importedAt >= ? ORDER BY id DESC LIMIT 1"));
    query.addBindValue(book);
    // Imports are undone for as long as deleted records are kept.
    query.addBindValue(Clock::nowUtc()
                           .addDays(-DeletedRecords::keptDays)
                           .toString(QLatin1String(timeFormat)));
    if (!query.exec()) {
        *error = DataError::fromSql(query.lastError(), databasePath);
        return std::nullopt;
    }
    if (!query.next())
        return std::nullopt;
    Batch batch;
    batch.id = query.value(0).toLongLong();
    batch.book = book;
    batch.firstKey = query.value(1).toLongLong();
    batch.lastKey = query.value(2).toLongLong();
    batch.added = query.value(3).toLongLong();
    batch.importedAt = QDateTime::fromString(query.value(4).toString(), QLatin1String(timeFormat));
    batch.importedAt.setTimeZone(QTimeZone::utc());
    return batch;
}

LastChange lastChange(const QString &databasePath, const QString &book, DataError *error)
{
    LastChange last;
    std::optional<DeletedRecords::Entry> deleted = DeletedRecords::newest(databasePath, book, error);
    if (error->isError())
        return last;
    std::optional<Batch> imported = newestBatch(databasePath, book, error);
    if (error->isError())
        return last;
    if (imported && (!deleted || imported->importedAt >= deleted->deletedAt))
        last.imported = std::move(imported);
    else
        last.deleted = std::move(deleted);
    return last;
}

Records::WriteResult undo(const QString &databasePath, const Batch &batch,
                          const std::function<void(qint64 done, qint64 total)> &meanwhile)
{
    Records::WriteResult result;
    QSqlDatabase db = Database::connection(databasePath, &result.error);
    if (!db.isValid())
        return result;
    Records::WriteTransaction transaction(db);
    QSqlError sqlError;
    const auto failed = [&](const QSqlError &error) {
        result.error = DataError::fromSql(error, databasePath);
        result.rowsTouched = 0;
        return result;
    };
    if (!transaction.begin(&sqlError))
        return failed(sqlError);
    QSqlQuery query(db);
    const bool deletesKept = DeletedRecords::kept(databasePath);
    const QString deleted = quoteIdentifier(DeletedRecords::tableFor(batch.book));
    qint64 lastDeleted = 0;
    if (deletesKept) {
        if (!query.exec(QStringLiteral("SELECT ifnull(max(deletedId), 0) FROM %1").arg(deleted)) || !query.next())
            return failed(query.lastError());
        lastDeleted = query.value(0).toLongLong();
    }
    // A slice at a time (a hundred thousand records take the engine seconds, their keys, counts
    // and copies among the deleted records with them), the windows painting between slices;
    // the copies each slice leaves among the deleted records go with it. A slice is sized to
    // take about a frame: the first records of a book read cold cost ten times the later ones.
    qint64 slice = 128;
    QElapsedTimer sliceClock;
    QSqlQuery removeRows(db);
    removeRows.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid BETWEEN ? AND ?").arg(quoteIdentifier(batch.book)));
    QSqlQuery removeCopies(db);
    if (deletesKept)
        removeCopies.prepare(QStringLiteral("DELETE FROM %1 WHERE deletedId > ?").arg(deleted));
    const qint64 total = batch.lastKey - batch.firstKey + 1;
    for (qint64 from = batch.firstKey, done = 0; done < total; ) {
        sliceClock.start();
        const qint64 taken = qMin(slice, total - done); // (the last identity may be the largest there is)
        removeRows.bindValue(0, from);
        removeRows.bindValue(1, from + (taken - 1));
        if (!removeRows.exec())
            return failed(removeRows.lastError());
        result.rowsTouched += removeRows.numRowsAffected();
        if (deletesKept) {
            removeCopies.bindValue(0, lastDeleted);
            if (!removeCopies.exec())
                return failed(removeCopies.lastError());
        }
        done += taken;
        if (done < total)
            from += taken;
        if (meanwhile)
            meanwhile(done, total);
        const double took = double(qMax<qint64>(sliceClock.nsecsElapsed(), 1000000));
        slice = std::clamp(qint64(double(slice) * 12e6 / took), qMax<qint64>(slice / 2, 32), qMin<qint64>(slice * 2, 8192));
    }
    query.prepare(QStringLiteral("DELETE FROM ImportBatches WHERE id = ?"));
    query.addBindValue(batch.id);
    if (!query.exec())
        return failed(query.lastError());
    if (!transaction.commitMany(databasePath, &sqlError, meanwhile ? std::function<void()>([&] { meanwhile(total, total); })
                                                                   : std::function<void()>()))
        return failed(sqlError);
    return result;
}

} // namespace dalil::Exchange
