#include "searchkeys.h"

#include "books.h"
#include "connection.h"
#include "options.h"

#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace dalil::SearchKeys {

namespace {

void foldFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto *text = static_cast<const char16_t *>(sqlite3_value_text16(argv[0]));
    const int bytes = sqlite3_value_bytes16(argv[0]);
    const QString folded = fold(QString::fromUtf16(text, bytes / 2));
    sqlite3_result_text16(context, folded.utf16(), int(folded.size() * 2), SQLITE_TRANSIENT);
}

void sortKeyFunction(sqlite3_context *context, int, sqlite3_value **argv)
{
    QString text;
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL) {
        const auto *chars = static_cast<const char16_t *>(sqlite3_value_text16(argv[0]));
        text = QString::fromUtf16(chars, sqlite3_value_bytes16(argv[0]) / 2);
    }
    const QByteArray key = sortKey(text);
    sqlite3_result_blob(context, key.constData(), int(key.size()), SQLITE_TRANSIENT);
}

bool run(sqlite3 *handle, const QString &sql)
{
    return sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::optional<qint64> number(sqlite3 *handle, const QString &sql)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        return std::nullopt;
    std::optional<qint64> value;
    if (sqlite3_step(statement) == SQLITE_ROW)
        value = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return value;
}

QString keyTableSql(const KeyedSource &s)
{
    QStringList columns;
    if (s.keyLink == u"id")
        columns << QStringLiteral("id INTEGER PRIMARY KEY");
    else
        columns << s.keyLink + QStringLiteral(" TEXT COLLATE NOCASE PRIMARY KEY");
    for (const KeyedColumn &c : s.columns)
        columns << c.key + QStringLiteral(" TEXT");
    columns << s.orderKey + QStringLiteral(" BLOB");
    return QStringLiteral("CREATE TABLE %1 (%2);").arg(s.keyTable, columns.join(QStringLiteral(", ")));
}

QString indexesSql(const KeyedSource &s)
{
    QString sql;
    for (const KeyedColumn &c : s.columns) {
        const bool led = std::any_of(s.findIndexes.cbegin(), s.findIndexes.cend(),
                                     [&](const FindIndex &index) { return index.columns.value(0) == c.key; });
        if (!led)
            sql += QStringLiteral("CREATE INDEX %1_%2 ON %1 (%2);\n").arg(s.keyTable, c.key);
    }
    for (const FindIndex &index : s.findIndexes)
        sql += QStringLiteral("CREATE INDEX %1 ON %2 (%3);\n").arg(index.name, s.keyTable, index.columns.join(QStringLiteral(", ")));
    for (const OrderIndex &index : s.orderIndexes) {
        const QString link = s.keyLink;
        sql += QStringLiteral("CREATE INDEX %1 ON %2 (%3, %4, %5);\n")
                   .arg(index.name, s.keyTable, s.orderKey, link, index.covers.join(QStringLiteral(", ")));
    }
    return sql;
}

// The statements of a trigger that (re)writes the key row of NEW: the folding in stages, each
// a statement of its own so that no expression nests too deep for the parser.
// The column of the keyed table that a column of the source stands for.
QString keyedColumn(const KeyedSource &s, const QString &column)
{
    return quoteIdentifier(column == s.sourceLink ? s.keyedLink : column);
}

QString writeKeyRowSql(const KeyedSource &s, const QString &keepOrder)
{
    const QString newLink = QStringLiteral("NEW.") + quoteIdentifier(s.keyedLink);
    QStringList names{s.keyLink}, values{newLink};
    for (const KeyedColumn &c : s.columns) {
        names << c.key;
        values << foldSql(QStringLiteral("NEW.") + keyedColumn(s, c.column), 0);
    }
    names << s.orderKey;
    values << keepOrder;
    QString sql = QStringLiteral("    INSERT OR REPLACE INTO %1 (%2) VALUES (%3);\n")
                      .arg(s.keyTable, names.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
    for (int stage = 1; stage < foldStages; ++stage) {
        QStringList sets;
        for (const KeyedColumn &c : s.columns)
            sets << c.key + QStringLiteral(" = ") + foldSql(c.key, stage);
        sql += QStringLiteral("    UPDATE %1 SET %2 WHERE %3 = %4;\n")
                   .arg(s.keyTable, sets.join(QStringLiteral(", ")), s.keyLink, newLink);
    }
    return sql;
}

QString insertTriggerSql(const KeyedSource &s)
{
    return QStringLiteral("CREATE TRIGGER %1_insert AFTER INSERT ON %2 BEGIN\n%3END;\n")
        .arg(s.keyTable, quoteIdentifier(s.keyedTable), writeKeyRowSql(s, QStringLiteral("NULL")));
}

QString triggersSql(const KeyedSource &s)
{
    const QString table = quoteIdentifier(s.keyedTable);
    const QString ordered = keyedColumn(s, s.orderedColumn);
    // An update that leaves the ordered text byte for byte as it was keeps its sort key.
    const QString keepOrder = QStringLiteral("(SELECT %1 FROM %2 WHERE %3 = OLD.%4 AND CAST(NEW.%5 AS BLOB) IS CAST(OLD.%5 AS BLOB))")
                                  .arg(s.orderKey, s.keyTable, s.keyLink, quoteIdentifier(s.keyedLink), ordered);
    QString sql = insertTriggerSql(s);
    // The per-payee sums change at every cheque; only a change of the payee's name moves its key.
    const QString updated = s.keyedLink == u"rowid" ? QString() : QStringLiteral("OF ") + quoteIdentifier(s.keyedLink) + u' ';
    sql += QStringLiteral("CREATE TRIGGER %1_update AFTER UPDATE %7ON %2 BEGIN\n%3"
                          "    DELETE FROM %4 WHERE %5 = OLD.%6 AND NOT (OLD.%6 IS NEW.%6);\nEND;\n")
               .arg(s.keyTable, table, writeKeyRowSql(s, keepOrder), s.keyTable, s.keyLink,
                    quoteIdentifier(s.keyedLink), updated);
    sql += QStringLiteral("CREATE TRIGGER %1_delete AFTER DELETE ON %2 BEGIN\n"
                          "    DELETE FROM %1 WHERE %3 = OLD.%4;\nEND;\n")
               .arg(s.keyTable, table, s.keyLink, quoteIdentifier(s.keyedLink));
    return sql;
}

// INSERT ... SELECT of the key rows of the keyed table's rows, folded (and sorted, withOrder)
// by the program's own functions; a WHERE may follow.
QString insertKeysSql(const KeyedSource &s, bool withOrder)
{
    QStringList columns{s.keyLink}, values{quoteIdentifier(s.keyedLink)};
    for (const KeyedColumn &c : s.columns) {
        columns << c.key;
        values << QStringLiteral("dalil_fold(%1)").arg(keyedColumn(s, c.column));
    }
    if (withOrder) {
        columns << s.orderKey;
        values << QStringLiteral("dalil_sortkey(%1)").arg(keyedColumn(s, s.orderedColumn));
    }
    return QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4")
        .arg(s.keyTable, columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")), quoteIdentifier(s.keyedTable));
}

QString sortKeyOfRowSql(const KeyedSource &s, const QString &keyTableAlias)
{
    if (s.orderedColumn == s.sourceLink)
        return QStringLiteral("dalil_sortkey(%1.%2)").arg(keyTableAlias, s.keyLink);
    return QStringLiteral("dalil_sortkey((SELECT %1 FROM %2 WHERE %3 = %4.%5))")
        .arg(quoteIdentifier(s.orderedColumn), quoteIdentifier(s.keyedTable), s.keyedLink, keyTableAlias, s.keyLink);
}

const QString collatorOption = QStringLiteral("collator");

} // namespace

void registerFunctions(sqlite3 *handle)
{
    if (!handle)
        return;
    const int flags = SQLITE_UTF16 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(handle, "dalil_fold", 1, flags, nullptr, foldFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(handle, "dalil_sortkey", 1, flags, nullptr, sortKeyFunction, nullptr, nullptr, nullptr);
}

void registerFunctions(const QSqlDatabase &db)
{
    registerFunctions(Database::handle(db));
}

QString KeyedSource::keyOf(const QString &column) const
{
    for (const KeyedColumn &c : columns) {
        if (c.column.compare(column, Qt::CaseInsensitive) == 0)
            return c.key;
    }
    return {};
}

QString KeyedSource::orderIndexFor(const QStringList &keys) const
{
    for (const OrderIndex &index : orderIndexes) {
        if (std::all_of(keys.cbegin(), keys.cend(), [&](const QString &k) { return index.covers.contains(k); }))
            return index.name;
    }
    return {};
}

QString KeyedSource::findIndexFor(const QSqlDatabase &db, const QList<KeyRange> &prefixed) const
{
    sqlite3 *handle = Database::handle(db);
    if (!handle)
        return {};
    // Each candidate's range is read a row at a time, all of them in turn: the first to end
    // is the smallest, and finding it costs a few times its own size, however big the others.
    struct Candidate
    {
        QString name;
        sqlite3_stmt *statement = nullptr;
    };
    QList<Candidate> candidates;
    for (const FindIndex &index : findIndexes) {
        const auto range = std::find_if(prefixed.cbegin(), prefixed.cend(),
                                        [&](const KeyRange &r) { return r.key == index.columns.value(0); });
        if (range == prefixed.cend())
            continue;
        const QByteArray sql = QStringLiteral("SELECT 1 FROM %1 INDEXED BY %2 WHERE %3 >= ? AND %3 < ?")
                                   .arg(keyTable, index.name, range->key)
                                   .toUtf8();
        Candidate candidate{index.name};
        if (sqlite3_prepare_v2(handle, sql.constData(), -1, &candidate.statement, nullptr) != SQLITE_OK) {
            sqlite3_finalize(candidate.statement);
            continue;
        }
        sqlite3_bind_text16(candidate.statement, 1, range->from.utf16(), int(range->from.size() * 2), SQLITE_TRANSIENT);
        sqlite3_bind_text16(candidate.statement, 2, range->to.utf16(), int(range->to.size() * 2), SQLITE_TRANSIENT);
        candidates << candidate;
    }
    QString best = candidates.size() == 1 ? candidates.first().name : QString();
    while (best.isEmpty() && !candidates.isEmpty()) {
        for (const Candidate &candidate : std::as_const(candidates)) {
            if (sqlite3_step(candidate.statement) != SQLITE_ROW) {
                best = candidate.name;
                break;
            }
        }
    }
    for (const Candidate &candidate : std::as_const(candidates))
        sqlite3_finalize(candidate.statement);
    return best;
}

namespace {

// The values key takes within its range, in order, a hop along index (which it leads) each;
// nullopt past most of them.
std::optional<QStringList> valuesWithin(sqlite3 *handle, const QString &keyTable, const QString &index,
                                        const KeyRange &range, qsizetype most)
{
    // The first value at or after the range's start, then each one after the one before.
    const auto prepare = [&](QLatin1StringView comparison) {
        const QByteArray sql = QStringLiteral("SELECT min(%3) FROM %1 INDEXED BY %2 WHERE %3 %4 ?1 AND %3 < ?2")
                                   .arg(keyTable, index, range.key, comparison)
                                   .toUtf8();
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(handle, sql.constData(), -1, &statement, nullptr) == SQLITE_OK)
            sqlite3_bind_text16(statement, 2, range.to.utf16(), int(range.to.size() * 2), SQLITE_TRANSIENT);
        return std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)>(statement, sqlite3_finalize);
    };
    const auto first = prepare(QLatin1StringView(">=")), next = prepare(QLatin1StringView(">"));
    if (!first || !next)
        return std::nullopt;
    bool failed = false;
    const auto step = [&](sqlite3_stmt *statement, const QString &from) -> std::optional<QString> {
        sqlite3_reset(statement);
        sqlite3_bind_text16(statement, 1, from.utf16(), int(from.size() * 2), SQLITE_TRANSIENT);
        failed = sqlite3_step(statement) != SQLITE_ROW;
        if (failed || sqlite3_column_type(statement, 0) == SQLITE_NULL)
            return std::nullopt;
        return QString::fromUtf16(static_cast<const char16_t *>(sqlite3_column_text16(statement, 0)),
                                  sqlite3_column_bytes16(statement, 0) / 2);
    };
    QStringList values;
    for (std::optional<QString> value = step(first.get(), range.from); value && values.size() <= most;
         value = step(next.get(), values.last()))
        values << *value;
    if (failed || values.size() > most)
        return std::nullopt;
    return values;
}

} // namespace

CountCache::FindWay KeyedSource::findWayFor(const QSqlDatabase &db, const QList<KeyRange> &prefixed) const
{
    constexpr qsizetype mostValues = 64;
    constexpr qsizetype mostSeeks = 4096;
    const auto rangeOf = [&](const QString &key) {
        const auto range = std::find_if(prefixed.cbegin(), prefixed.cend(), [&](const KeyRange &r) { return r.key == key; });
        return range == prefixed.cend() ? nullptr : &*range;
    };
    const auto indexLedBy = [&](const QString &key) {
        const auto index = std::find_if(findIndexes.cbegin(), findIndexes.cend(),
                                        [&](const FindIndex &i) { return i.columns.value(0) == key; });
        return index == findIndexes.cend() ? QString() : index->name;
    };
    const FindIndex *best = nullptr;
    qsizetype bestLed = 1;
    for (const FindIndex &index : findIndexes) {
        qsizetype led = 0;
        while (led < index.columns.size() && rangeOf(index.columns.at(led)))
            ++led;
        if (led > bestLed) {
            best = &index;
            bestLed = led;
        }
    }
    sqlite3 *handle = Database::handle(db);
    const auto raced = [&] { return CountCache::FindWay{findIndexFor(db, prefixed), {}, {}}; };
    if (!best || !handle)
        return raced();
    CountCache::FindWay way{best->name, {}, {}};
    qsizetype seeks = 1;
    for (qsizetype i = 0; i < bestLed; ++i) {
        const KeyRange &range = *rangeOf(best->columns.at(i));
        const QString leading = indexLedBy(range.key);
        const std::optional<QStringList> values =
            leading.isEmpty() ? std::nullopt : valuesWithin(handle, keyTable, leading, range, mostValues);
        if (!values)
            return raced();
        seeks *= qMax<qsizetype>(1, values->size());
        if (seeks > mostSeeks)
            return raced();
        way.narrowing += QStringLiteral(" AND %1 IN (%2)").arg(range.key, QStringList(values->size(), QStringLiteral("?")).join(u','));
        for (const QString &value : *values)
            way.values << value;
    }
    return way;
}

const QList<KeyedSource> &sources()
{
    static const QList<KeyedSource> list{
        {Books::phone, QStringLiteral("PhoneKeys"), QStringLiteral("rowid"), QStringLiteral("id"),
         Books::phone, QStringLiteral("rowid"),
         {{Books::PhoneColumns::name, QStringLiteral("name")},
          {Books::PhoneColumns::office, QStringLiteral("office")},
          {Books::PhoneColumns::mobile, QStringLiteral("mobile")},
          {Books::PhoneColumns::home, QStringLiteral("home")}},
         Books::PhoneColumns::name, QStringLiteral("nameOrder"),
         {{QStringLiteral("PhoneKeys_byName"), {QStringLiteral("name")}},
          {QStringLiteral("PhoneKeys_byNumber"), {QStringLiteral("office"), QStringLiteral("mobile"), QStringLiteral("home")}}},
         {}},
        {Books::cheque, QStringLiteral("ChequeKeys"), QStringLiteral("rowid"), QStringLiteral("id"),
         Books::cheque, QStringLiteral("rowid"),
         {{Books::ChequeColumns::payee, QStringLiteral("payee")},
          {Books::ChequeColumns::day, QStringLiteral("day")},
          {Books::ChequeColumns::month, QStringLiteral("month")},
          {Books::ChequeColumns::year, QStringLiteral("year")}},
         Books::ChequeColumns::payee, QStringLiteral("payeeOrder"),
         {{QStringLiteral("ChequeKeys_byPayee"), {QStringLiteral("payee")}},
          {QStringLiteral("ChequeKeys_byDate"), {QStringLiteral("year"), QStringLiteral("month"), QStringLiteral("day")}}},
         // A date is found from whichever typed part (day, year or month) covers the fewest
         // cheques; each index holds the order, so nothing is read from the table to sort
         // what it finds.
         {{QStringLiteral("ChequeKeys_dayFirst"), {QStringLiteral("day"), QStringLiteral("month"), QStringLiteral("year"), QStringLiteral("payeeOrder")}},
          {QStringLiteral("ChequeKeys_yearFirst"), {QStringLiteral("year"), QStringLiteral("month"), QStringLiteral("day"), QStringLiteral("payeeOrder")}},
          {QStringLiteral("ChequeKeys_monthFirst"), {QStringLiteral("month"), QStringLiteral("year"), QStringLiteral("day"), QStringLiteral("payeeOrder")}}}},
        // The per-payee sums: one key row per payee, found in the view by the payee's name.
        {Books::chequeTotals, QStringLiteral("PayeeKeys"), Books::ChequeColumns::payee, QStringLiteral("payee"),
         QStringLiteral("ChequePayeeSums"), QStringLiteral("payee"),
         {{Books::ChequeColumns::payee, QStringLiteral("folded")}},
         Books::ChequeColumns::payee, QStringLiteral("payeeOrder"),
         {{QStringLiteral("PayeeKeys_byPayee"), {QStringLiteral("folded")}}},
         {}},
    };
    return list;
}

const KeyedSource *sourceOf(const QString &source)
{
    for (const KeyedSource &s : sources()) {
        if (s.source.compare(source, Qt::CaseInsensitive) == 0)
            return &s;
    }
    return nullptr;
}

bool present(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    return query.exec(QStringLiteral("SELECT (SELECT user_version FROM pragma_user_version) >= 4"
                                     " AND (SELECT count(*) FROM sqlite_master WHERE type = 'table'"
                                     " AND name IN ('PhoneKeys', 'ChequeKeys', 'PayeeKeys')) = 3"))
           && query.next() && query.value(0).toBool();
}

bool create(sqlite3 *handle, const std::function<bool(qint64, qint64)> &progress)
{
    qint64 total = 0;
    for (const KeyedSource &s : sources())
        total += number(handle, QStringLiteral("SELECT count(*) FROM %1").arg(quoteIdentifier(s.keyedTable))).value_or(0);
    qint64 done = 0;
    if (progress && !progress(done, total))
        return false;
    for (const KeyedSource &s : sources()) {
        if (!run(handle, keyTableSql(s)))
            return false;
        // The rows are keyed in slices, so that the user sees the work go on.
        const QString insert = insertKeysSql(s, true);
        if (s.keyedLink == u"rowid") {
            const qint64 last = number(handle, QStringLiteral("SELECT ifnull(max(rowid), 0) FROM %1").arg(quoteIdentifier(s.keyedTable))).value_or(0);
            constexpr qint64 slice = 50000;
            for (qint64 from = qint64(number(handle, QStringLiteral("SELECT ifnull(min(rowid), 1) FROM %1").arg(quoteIdentifier(s.keyedTable))).value_or(1));
                 from <= last; from += slice) {
                if (!run(handle, insert + QStringLiteral(" WHERE rowid BETWEEN %1 AND %2").arg(from).arg(from + slice - 1)))
                    return false;
                done += number(handle, QStringLiteral("SELECT changes()")).value_or(0);
                if (progress && !progress(done, total))
                    return false;
            }
        } else {
            if (!run(handle, insert))
                return false;
            done += number(handle, QStringLiteral("SELECT changes()")).value_or(0);
        }
        if (!run(handle, indexesSql(s)) || !run(handle, triggersSql(s)))
            return false;
        if (progress && !progress(done, total))
            return false;
    }
    return run(handle, Options::setSql(collatorOption, collatorVersion()));
}

bool ordered(const QSqlDatabase &db, const KeyedSource &source)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    return query.exec(QStringLiteral("SELECT NOT EXISTS (SELECT 1 FROM %1 WHERE %2 IS NULL)").arg(source.keyTable, source.orderKey))
           && query.next() && query.value(0).toBool();
}

bool fillSortKeys(const QSqlDatabase &db, const KeyedSource &source)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("UPDATE %1 SET %2 = %3 WHERE %2 IS NULL")
                          .arg(source.keyTable, source.orderKey, sortKeyOfRowSql(source, source.keyTable)));
}

namespace {

// The sources whose key rows an insert into the table adds: its own, and those of the tables
// its triggers add rows to (a cheque's payee joins the per-payee sums).
bool keyedByInsertsInto(const KeyedSource &s, const QString &table)
{
    return s.keyedTable == table || (table == u"Cheque" && s.keyedTable == u"ChequePayeeSums");
}

} // namespace

bool suspendInsertKeys(const QSqlDatabase &db, const QString &table)
{
    sqlite3 *handle = Database::handle(db);
    if (!handle || !present(db))
        return true;
    for (const KeyedSource &s : sources()) {
        if (keyedByInsertsInto(s, table) && !run(handle, QStringLiteral("DROP TRIGGER IF EXISTS %1_insert").arg(s.keyTable)))
            return false;
    }
    return true;
}

bool resumeInsertKeys(const QSqlDatabase &db, const QString &table, std::optional<qint64> firstKey, qint64 added,
                      const std::function<void()> &meanwhile)
{
    sqlite3 *handle = Database::handle(db);
    if (!handle || !present(db))
        return true;
    const qint64 last = firstKey ? number(handle, QStringLiteral("SELECT max(rowid) FROM %1").arg(quoteIdentifier(table))).value_or(0) : 0;
    for (const KeyedSource &s : sources()) {
        if (!keyedByInsertsInto(s, table))
            continue;
        const bool rowKeyed = s.keyedLink == u"rowid";
        if (firstKey && last - *firstKey + 1 == added) {
            // The rows added lie from the first identity on: keyed a slice at a time, the windows
            // answering in between (a hundred thousand rows take seconds to fold, about 25 µs
            // each). Another table's rows (a payee's sums) are those the added rows brought
            // that have no key row yet.
            const QString where = rowKeyed
                ? QStringLiteral(" WHERE rowid BETWEEN %1 AND %2")
                : QStringLiteral(" WHERE %1 IN (SELECT %2 FROM %3 WHERE rowid BETWEEN %4 AND %5) AND %1 NOT IN (SELECT %6 FROM %7)")
                      .arg(quoteIdentifier(s.keyedLink), quoteIdentifier(s.sourceLink), quoteIdentifier(table),
                           QStringLiteral("%1"), QStringLiteral("%2"), s.keyLink, s.keyTable);
            constexpr qint64 slice = 512;
            // (The last identity may be the largest there is: nothing is counted past it.)
            for (qint64 from = *firstKey;;) {
                const qint64 to = from + qMin(slice - 1, last - from);
                if (!run(handle, insertKeysSql(s, true) + where.arg(from).arg(to)))
                    return false;
                if (meanwhile)
                    meanwhile();
                if (to == last)
                    break;
                from = to + 1;
            }
        } else if (added > 0) {
            // Identities handed out out of order (the largest one taken): the rows without a
            // key row yet, in one statement.
            if (!run(handle, insertKeysSql(s, true) + QStringLiteral(" WHERE %1 NOT IN (SELECT %2 FROM %3)")
                                                          .arg(quoteIdentifier(s.keyedLink), s.keyLink, s.keyTable)))
                return false;
        }
        if (!run(handle, insertTriggerSql(s)))
            return false;
    }
    return true;
}

bool fillMissing(const QSqlDatabase &db)
{
    sqlite3 *handle = Database::handle(db);
    if (!handle || !present(db))
        return false;
    const bool sameCollator = Options::value(db, collatorOption).value_or(QVariant()).toString() == collatorVersion();
    // Key rows missing altogether (rows written while the triggers were dropped) and sort keys
    // missing or made by another collation; most openings find nothing to do and write nothing.
    QStringList work;
    for (const KeyedSource &s : sources()) {
        const QString keyedTable = quoteIdentifier(s.keyedTable);
        const qint64 keyed = number(handle, QStringLiteral("SELECT count(*) FROM %1").arg(s.keyTable)).value_or(-1);
        const qint64 rows = number(handle, QStringLiteral("SELECT count(*) FROM %1").arg(keyedTable)).value_or(-1);
        if (keyed != rows) {
            work << QStringLiteral("DELETE FROM %1 WHERE %2 NOT IN (SELECT %3 FROM %4)")
                        .arg(s.keyTable, s.keyLink, quoteIdentifier(s.keyedLink), keyedTable)
                 << insertKeysSql(s, false) + QStringLiteral(" WHERE %1 NOT IN (SELECT %2 FROM %3)")
                                                  .arg(quoteIdentifier(s.keyedLink), s.keyLink, s.keyTable);
        }
        if (!sameCollator)
            work << QStringLiteral("UPDATE %1 SET %2 = NULL").arg(s.keyTable, s.orderKey);
        if (!sameCollator || keyed != rows || !ordered(db, s))
            work << QStringLiteral("UPDATE %1 SET %2 = %3 WHERE %2 IS NULL").arg(s.keyTable, s.orderKey, sortKeyOfRowSql(s, s.keyTable));
    }
    if (work.isEmpty())
        return true;
    if (!sameCollator)
        work << Options::setSql(collatorOption, collatorVersion());
    // Inside a write of the program's own this joins its transaction; otherwise it is one.
    const bool own = sqlite3_get_autocommit(handle) != 0;
    if (own && !run(handle, QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    for (const QString &sql : std::as_const(work)) {
        if (!run(handle, sql)) {
            if (own)
                run(handle, QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    if (own && !run(handle, QStringLiteral("COMMIT"))) {
        run(handle, QStringLiteral("ROLLBACK"));
        return false;
    }
    return true;
}

} // namespace dalil::SearchKeys
