// Exchange with other programs: what every file format's reader and writer share. A reader
// gives a book's records one at a time, as they will be stored, so that a file of any size
// streams; a writer takes them one at a time. The formats themselves (vCard for the phone
// book, iCalendar for the appointments, CSV for the cheques) each have their own file.
#pragma once

#include "data/store/books.h"
#include "data/store/deletedrecords.h"
#include "data/store/recordwrites.h"

#include <QDateTime>
#include <QHash>

#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

namespace dalil::Exchange {

// The books' columns, as the catalogue names them (store/books.h).
namespace PhoneColumns = Books::PhoneColumns;
namespace NoteColumns = Books::NoteColumns;
namespace ChequeColumns = Books::ChequeColumns;
using Books::columns;

// Beside the columns, a card or an event read or written carries its UID under this name (it
// is no column of any book): the record's own when written (RecordUids), the file's when read,
// which an imported record keeps where no record of the file holds it already.
inline const QString uidField = QStringLiteral("UID");

// UIDs for records that have none (a file that keeps none): a digest of the record's values,
// with a count for the identical ones before it, so that the same book exported twice gives
// the same UIDs.
class DigestUids
{
public:
    QString next(const Records::Values &record);

private:
    QHash<QByteArray, int> m_seen;
};

// What went wrong with an input file: the line (1 for the first; 0 when no line applies) and
// a message in Arabic for the user that names it.
struct Problem
{
    qint64 line = 0;
    QString message;

    bool isProblem() const { return !message.isEmpty(); }
};

// A longest logical line (a property unfolded, a CSV record) a reader accepts; a file with a
// longer one is refused at that line, so that no input can make a reader hold more.
constexpr qint64 longestLine = 8 * 1024 * 1024;

// Reads one format's records one at a time. A reader never holds more than the record it is
// reading (and what the format needs across records, such as a calendar's time zones).
class RecordReader
{
public:
    virtual ~RecordReader() = default;
    // The next record, column → value, as it will be stored (an empty text is no value).
    // False at the end of the input, and on a problem (problem() says which).
    virtual bool next(Records::Values &record) = 0;
    virtual Problem problem() const = 0;
    // How far the input has been read, in bytes, for a progress bar.
    virtual qint64 position() const = 0;
    // What the user should know before the records are stored, in Arabic, one line each:
    // what was kept in a record's notes, what was left out and why ("صورتان لم تستوردا").
    // Read after the last record.
    virtual QStringList notices() const { return {}; }
    // Why the user should decide whether the record given last is stored (a cheque whose
    // words say another amount than its figures); empty when there is nothing to decide.
    virtual QString question() const { return {}; }
    // The encoding the input is read in, as the user knows it.
    virtual QString encoding() const { return QStringLiteral("UTF-8"); }
};

// Writes one format's records one at a time.
class RecordWriter
{
public:
    virtual ~RecordWriter() = default;
    // False when the output refuses to be written (a full disk); nothing more is written then.
    virtual bool write(const Records::Values &record) = 0;
    // Ends the file (a calendar's last line) and flushes it.
    virtual bool finish() = 0;
};

// Called as a file is read or written with how far it has come (bytes of an input, records
// of an output); false stops the work, and nothing is written.
using Progress = std::function<bool(qint64 done)>;

// An input read through once before anything is stored: the user sees the first records as
// they will be stored and how many there are, and the input is checked to its end.
struct Preview
{
    static constexpr int shown = 20;
    QList<Records::Values> first; // up to `shown`, those that will be stored
    QStringList questions;        // the reader's question for each of them, empty for none
    qint64 records = 0;           // that will be stored
    qint64 duplicates = 0;        // identical to one stored already, or to one before it in the input
    qint64 questioned = 0;        // of the records, those the reader questions…
    QString questionedWhy;        // … and why (the first one's question)
    QString encoding;
    QStringList notices;
    Problem problem;
    DataError error;
    bool cancelled = false;

    bool ok() const { return !problem.isProblem() && !error.isError() && !cancelled; }
};
Preview preview(const QString &databasePath, const QString &book, RecordReader &reader, const Progress &progress);

// Stores an input's records in its book in one transaction: all or nothing. Records identical
// to one stored already (every column the same, letter for letter) are skipped and counted;
// so are the records the reader questions, when the user chose to leave them out. The import
// is kept so that it can be undone.
struct Imported
{
    qint64 added = 0;
    qint64 duplicates = 0;
    qint64 leftOut = 0;
    Problem problem;
    DataError error;
    bool cancelled = false;

    bool ok() const { return !problem.isProblem() && !error.isError() && !cancelled; }
};
Imported store(const QString &databasePath, const QString &book, RecordReader &reader, const Progress &progress,
               bool leaveOutQuestioned = false);

// An import as kept in the file: the identities it gave its records, first to last.
struct Batch
{
    qint64 id = 0;
    QString book;
    qint64 firstKey = 0;
    qint64 lastKey = 0;
    qint64 added = 0;
    QDateTime importedAt; // UTC
};
// The newest import into a book, if the file keeps imports and one is left to undo (imports
// are undone for as long as deleted records are kept).
std::optional<Batch> newestBatch(const QString &databasePath, const QString &book, DataError *error);
// Takes an import's records out of its book again, in one transaction; they leave no trace
// among the deleted records, for they were never the user's own. Records of the import that
// were deleted since are left as they are. The result counts the records taken out.
// meanwhile(done, total), where given, is called between the slices it is done in.
Records::WriteResult undo(const QString &databasePath, const Batch &batch,
                          const std::function<void(qint64 done, qint64 total)> &meanwhile = {});

// What Ctrl+Z takes back in a book: the newer of its last deleted record and its last import
// (the import, when both are as new). At most one is set; neither when there is nothing to
// take back or the file could not be read (error says which).
struct LastChange
{
    std::optional<DeletedRecords::Entry> deleted;
    std::optional<Batch> imported;
};
LastChange lastChange(const QString &databasePath, const QString &book, DataError *error);

} // namespace dalil::Exchange
