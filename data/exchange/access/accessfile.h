// A DB1.mdb kept by Microsoft Access (Access 97's Jet 3, Access 2000-2003's Jet 4, Access
// 2007's ACE), read through mdbtools: its tables, their columns, and their rows as typed cells,
// exactly as Access itself reads them.
//
// The library gives the file, the catalogue of each table and a walk over its data pages; the
// rows are taken from those pages here, so that rows Access marks deleted or moved are left
// out, text keeps every character (no cut at a bind size, nothing outside the BMP lost, NULL
// apart from an empty text), numbers keep every bit whatever the locale, and no environment
// variable changes what is read. A table that gives fewer or more rows than its own row count
// is damaged, never a success.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace dalil::Access {

// Whether the file begins as an Access database does (whatever its name): "Standard Jet DB"
// or "Standard ACE DB" at offset 4.
bool hasSignature(const QString &path);

enum class Format { Jet3, Jet4, Ace };

enum class Type { Text, Memo, Boolean, Byte, Integer, Long, Currency, Single, Double, DateTime, Other };

struct Column
{
    QString name;
    Type type = Type::Other;
    bool autoNumber = false; // a counter Access fills in itself
};

// One value as stored. Currency is a count of ten-thousandths, so that no digit is lost;
// Byte, Integer, Long and Boolean are integers; Single, Double and DateTime are reals (a
// DateTime in days since 30 December 1899). A type Dalil never reads (OLE, GUID...) is Unread.
struct Cell
{
    enum class Kind { Null, Text, Integer, Currency, Real, Unread };
    Kind kind = Kind::Null;
    QString text;
    qint64 integer = 0;
    double real = 0;

    bool isNull() const { return kind == Kind::Null; }
    // The value as the user would read it in Access: Currency with four decimals ("12.5000"),
    // a real with every digit it needs to come back the same ("0.30000000000000004").
    QString shown() const;
};
using Row = QList<Cell>;

// What keeps a file or a table from being read.
struct Problem
{
    enum class Kind {
        None,
        Missing,       // no file at the path
        NotAccess,     // not an Access database at all (no signature, not a format we read)
        Damaged,       // a page or a row that does not hold together
        Short,         // a table gave another number of rows than it counts
        MissingTable,
        MissingColumn,
        ColumnType,    // a column of a type its book cannot hold
    };
    Kind kind = Kind::None;
    QString table;
    QString column;
    qint64 counted = 0; // Short: the table's own count, and the rows read
    qint64 read = 0;
    QString detail;     // for the curious: the page, the library's words

    bool isProblem() const { return kind != Kind::None; }
};

class Cursor;

// An Access file, open for reading. One cursor reads at a time: a new one ends the last.
class File
{
public:
    explicit File(const QString &path);
    ~File();
    File(const File &) = delete;
    File &operator=(const File &) = delete;

    bool isOpen() const;
    Problem problem() const;
    Format format() const;
    // The code page Jet 3 text is read in: the one the file's sort order names, or 1256 (an
    // Arabic Windows) when the sort order is the general one every install starts with.
    int codePage() const;

    // The user's tables, in the catalogue's order.
    QStringList tables() const;
    // A table's columns in order, or an empty list (and problem()) when it is not there.
    QList<Column> columns(const QString &table);
    // The number of rows the table's definition keeps (Access updates it with every write).
    qint64 rowCount(const QString &table);
    // Its rows, in the order Access reads them; null when the table is not there.
    std::unique_ptr<Cursor> rows(const QString &table);

private:
    friend class Cursor;
    struct Private;
    std::unique_ptr<Private> d;
};

class Cursor
{
public:
    ~Cursor();
    // The next row; false at the end, and on damage (problem() says which). At the end the
    // rows read are compared with the table's own count.
    bool next(Row &row);
    Problem problem() const;
    qint64 read() const;

private:
    friend class File;
    struct Private;
    explicit Cursor(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
};

} // namespace dalil::Access
