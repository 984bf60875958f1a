// The keys a book is searched and ordered by, as an Arabic reader reads it.
//
// A search matches the typed text against the stored text with the differences of spelling
// that do not change a word ignored: the forms of alef, alef maksura and Farsi yeh against
// yeh, teh marbuta against heh, the short vowels and other marks, tatweel, direction marks,
// the shapes of the digits and Latin case. Both sides are folded the same way, and what is
// stored stays exactly what was typed: the folded keys live in tables of Dalil's own beside
// the books (PhoneKeys, ChequeKeys, PayeeKeys), kept by triggers in the file, so that rows
// written by any program are found alike. The lists are ordered by ICU's Arabic collation;
// its sort keys cannot be computed in SQL, so a row written by another program waits with
// an empty one until Dalil fills it, on opening the file and before every ordered read.
#pragma once

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include "countcache.h"
#include "data/text/folding.h"

#include <functional>
#include <optional>

struct sqlite3;

namespace dalil::SearchKeys {

// dalil_fold(text) and dalil_sortkey(text) on a connection of Dalil's own.
void registerFunctions(sqlite3 *handle);
void registerFunctions(const QSqlDatabase &db);

// A book (or stored query) that has search keys, and how they are laid out.
struct KeyedColumn
{
    QString column; // the book's column
    QString key;    // its folded key in the key table
};
struct OrderIndex
{
    QString name;
    QStringList covers; // the folded keys it holds beside the order
};
// An index that finds rows by keys, in the order of its columns.
struct FindIndex
{
    QString name;
    QStringList columns;
};
// The keys a literal prefix of a search narrows, with the range of keys it stands for.
struct KeyRange
{
    QString key;
    QString from;
    QString to;
};
struct KeyedSource
{
    QString source;     // "Phone", "Cheque", "TotalCheque"
    QString keyTable;   // "PhoneKeys"
    QString sourceLink; // what a row of the source is found by: "rowid", or the view's column
    QString keyLink;    // the key table's column that holds it: "id", "payee"
    QString keyedTable; // the table the keys follow (ChequePayeeSums for the view)
    QString keyedLink;  // its column the keys follow ("rowid", "payee")
    QList<KeyedColumn> columns;
    QString orderedColumn; // the source's column with a collation key
    QString orderKey;      // that key in the key table
    QList<OrderIndex> orderIndexes;
    // Indexes over several keys, for searches that compare them together (a date's day, month
    // and year); each other key has an index of its own.
    QList<FindIndex> findIndexes;

    // The folded key of a column of the source, or an empty text when it has none.
    QString keyOf(const QString &column) const;
    // An index that walks the order and holds every one of keys, or an empty text.
    QString orderIndexFor(const QStringList &keys) const;
    // The index that finds the rows of a search narrowed by these prefixes: of the several-key
    // indexes led by one of them, the one whose prefix covers the fewest rows (a bounded
    // count of each tells), or an empty text (the engine chooses).
    QString findIndexFor(const QSqlDatabase &db, const QList<KeyRange> &prefixed) const;
    // The way to find those rows. A several-key index led by two or more of the prefixes (a
    // date's day, month and year) is read at the few exact values each takes in the book,
    // which reaches the rows of the date rather than the whole range of one of its parts;
    // otherwise findIndexFor's index.
    CountCache::FindWay findWayFor(const QSqlDatabase &db, const QList<KeyRange> &prefixed) const;
};
const QList<KeyedSource> &sources();
const KeyedSource *sourceOf(const QString &source);

// Whether the file has its search keys (a file Dalil could not bring up to date has none).
bool present(const QSqlDatabase &db);

// Adds the key tables, fills them from the books and adds the triggers that keep them:
// part of an upgrade, inside its transaction, on a connection with registerFunctions().
// progress(done, total) is told of the rows done; returning false stops (and the caller
// rolls back).
bool create(sqlite3 *handle, const std::function<bool(qint64, qint64)> &progress);

// Makes the sort keys that are missing (rows written by another program) or were made by
// another version of the collation, and key rows missing altogether. Returns whether every
// key is in place afterwards; a file that cannot be written keeps what it has.
bool fillMissing(const QSqlDatabase &db);
// Makes the source's missing sort keys (cheap when none is missing).
bool fillSortKeys(const QSqlDatabase &db, const KeyedSource &source);
// Many rows added at once, inside the caller's write transaction: the key rows of the rows
// added to the table are made afterwards by the program's own functions, all at once, rather
// than row by row by the file's triggers (which fold in SQL, some fifty times slower). The
// insert triggers are dropped until resumeInsertKeys() makes the missing key rows and puts
// them back; a write rolled back in between leaves the triggers as they were.
bool suspendInsertKeys(const QSqlDatabase &db, const QString &table);
// firstKey and added: the identity of the first row added and how many were added.
// meanwhile: called between slices of the work.
bool resumeInsertKeys(const QSqlDatabase &db, const QString &table, std::optional<qint64> firstKey, qint64 added,
                      const std::function<void()> &meanwhile = {});

// Whether every row of the source has its sort key (cheap).
bool ordered(const QSqlDatabase &db, const KeyedSource &source);

} // namespace dalil::SearchKeys
