// An older DB1.mdb kept by Microsoft Access, converted into a book of Dalil's own: read through
// and checked first (nothing written), then written beside it, checked against what was read,
// and put in its place in one rename, the original kept beside it under another name.
//
// Every record comes over exactly: text letter for letter, NULL apart from an empty text, date
// parts stored as numbers as their decimal text, whole amounts as whole numbers. What Dalil
// cannot hold as it stands (an amount with a fraction, a negative one, one of more than 12
// digits, a value in a column Dalil has no place for) is never changed: such a record is
// named before anything is written and, if the user goes on, left out of the book and kept,
// exactly as read, in a CSV file beside it.
#pragma once

#include "accessfile.h"

#include "data/exchange/exchange.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace dalil::Access {

// The books in the order they are read and written: Phone, Note, Cheque.
const QStringList &books();

// A record Dalil cannot hold as it stands, as read.
struct Held
{
    QString book;
    qint64 position = 0; // its place in the Access table, from 1
    QStringList columns; // the Access table's columns
    QStringList values;  // each as read (a NULL is empty)
    QString reason;      // in Arabic

    // The value of an Access column, or an empty text.
    QString value(const QString &column) const;
};

struct Survey
{
    Format format = Format::Jet4;
    QHash<QString, qint64> counted;    // each book's rows, as its table counts them
    QHash<QString, QByteArray> digests; // of each book's records as they will be stored
    qint64 dinars = 0;                 // the sums of the cheques that will be stored
    qint64 fils = 0;
    QList<Held> held;
    Problem problem;
    bool stopped = false;

    bool ok() const { return !problem.isProblem() && !stopped; }
    // The records of a book that will be stored.
    qint64 converted(const QString &book) const;
};

// Rows read or written so far of all three books, and in all; false stops.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Reads the file at path through and checks it: the three tables, their columns and types,
// every row of each, as many as the table counts. Nothing is written.
Survey survey(const QString &path, const Progress &progress = {});

struct Conversion
{
    enum class Outcome { Done, Stopped, Failed };
    Outcome outcome = Outcome::Failed;
    QString keptAs;        // the original, beside the book
    QStringList heldFiles; // the records left out, per book
    Problem problem;       // the Access file's, when it no longer reads as surveyed
    QString failure;       // when the new book could not be written or checked

    bool done() const { return outcome == Outcome::Done; }
};

// Converts the Access file at databasePath (surveyed just before) into a book of Dalil's own
// under the same name, leaving out the records the survey held. The original stays beside it
// as "DB1.mdb.access" (then "-2", "-3"...), never overwritten; until the final rename the file
// at databasePath is the original, untouched, and a stopped or failed conversion leaves
// nothing behind.
Conversion convert(const QString &databasePath, const Survey &survey, const Progress &progress = {});

// Where the original is kept, and where the held records of a book are written, beside path.
QString keepName(const QString &databasePath);
QString heldName(const QString &databasePath, const QString &book);

// An amount as Dalil keeps it: a whole number of at most 12 digits, not negative, in *value;
// otherwise why not, in Arabic (a fraction, a negative amount, too many digits).
QString amount(const Cell &cell, qint64 *value);

// Why the file at path cannot be converted or imported, in Arabic, naming it.
QString message(const Problem &problem, const QString &path);

// One book of an Access file as an import reads it: the records Dalil cannot hold are left
// out and named in the reader's notices.
std::unique_ptr<Exchange::RecordReader> reader(const QString &path, const QString &book);

} // namespace dalil::Access
