// The bench's DB1.mdb: the program's schema filled with N realistic records per book, fast.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace bench {

// Search texts whose share of the rows is known by construction: each rare first name and
// each number prefix matches about 0.1% of the phone book, each payee about 0.2% of the
// cheques, each date about 0.1% of the cheques. One text per repetition, so that no
// repetition finds the answer of the one before waiting in a cache.
struct DateSearch
{
    QString day;
    QString month;
    QString year; // a prefix: "2015" is that year, "201" any year of that decade
};

struct SearchTexts
{
    QStringList names;
    QStringList numbers;
    QStringList payees;
    QList<DateSearch> dates;       // a year, a two-digit month and a day's first digit
    QList<DateSearch> decadeDates; // a day, a month and the first three digits of a year
};
SearchTexts searchTexts();

struct SeedTimes
{
    double rows = 0;    // seconds to insert every row
    double indexes = 0; // seconds to build the indexes afterwards
    double sums = 0;    // seconds to fill the cheque sums
    double keys = 0;    // seconds for the upgrade that makes the search keys of every book
};

// Creates the database at path from the schema file and fills each book with records rows.
// With indexesInPlace the rows go into indexed tables with the sums triggers running, as a
// program would; otherwise indexes and the insert trigger are set aside during the load and
// rebuilt after it. Returns false with a message in *error.
bool seedDatabase(const QString &path, qint64 records, bool indexesInPlace, SeedTimes *times, QString *error);

// Compares the per-payee and grand sums kept by the triggers with sums taken afresh.
bool checkSums(const QString &path, QString *error);

} // namespace bench
