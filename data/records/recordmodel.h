// The rows of a record source as a grid sees them: a table, stored query or search statement
// of DB1.mdb, counted once and read a page at a time, however big the book.
#pragma once

#include "data/store/countcache.h"
#include "data/store/database.h"
#include "data/store/searchkeys.h"
#include "data/store/statement.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

namespace dalil {

class RecordModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit RecordModel(QObject *parent = nullptr);
    ~RecordModel() override;

    QString databaseName() const { return m_databaseName; }
    void setDatabaseName(const QString &path) { m_databaseName = path; }
    // What is read: a table or stored query by name, or a search statement over one.
    void setSource(const QString &object, const std::optional<Statement> &statement);

    // Reads the fields and the count afresh. The caller brackets it with beginReread() and
    // endReread(), so that what it decides about the rows is in place when views look again.
    DataError load();
    // Forgets the set: no fields, no rows.
    void clear();
    // Counts the set again after the file changed; the fields stay. On failure the set is empty.
    DataError recount();
    void beginReread() { beginResetModel(); }
    void endReread() { endResetModel(); }

    bool isOpen() const { return m_open; }
    // A table has an identity (rowid) for every row; a stored query has none.
    bool isTable() const { return m_isTable; }
    QString object() const { return m_object; }
    QStringList fields() const { return m_fields; }
    qint64 count() const { return m_open ? m_count : 0; }

    struct Row
    {
        std::optional<qint64> key;
        QList<QVariant> values;
    };
    // The row at a position of the set (0-based), or nullopt when there is none or it cannot be read.
    std::optional<Row> rowAt(qint64 row) const;
    std::optional<qint64> keyAt(qint64 row) const;
    // Whether a value of several lines stands in one of these columns anywhere in the table
    // or query read (one pass of the engine over it, whatever the search).
    bool anyValueOfSeveralLines(const QList<int> &columns) const;
    // The position of the row with this identity in the set as the file holds it now, or
    // nullopt when it is not there.
    std::optional<qint64> positionOf(const QSqlDatabase &db, qint64 key) const;

    // Which file under the name the set was counted in: how many times the file had been
    // found replaced by then (Database::replacements).
    int fileGeneration() const { return m_generation; }
    // The user was told the file was replaced: what is written next goes to the file there now.
    void acknowledgeReplacement() { m_generation = Database::replacements(m_databaseName); }
    // Whether the file is as it was when the set was counted.
    bool unchangedSinceOpen(const QSqlDatabase &db) const;
    bool isStale() const;

    // Rows changed through the program: the rows read are dropped and views read them again.
    void rowsRewritten();
    // A row added through the program joins the end of the set until it is read again.
    void appendRow();
    // Drops the rows read, so that they are read again when next asked for.
    void forgetRows() { invalidateRows(); }
    // A row deleted through the program leaves the count; inside beginReread()/endReread().
    void dropCountedRow();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Page
    {
        QList<qint64> keys;
        QList<QList<QVariant>> rows;
    };

    DataError fetchCount();
    const Page *page(qint64 pageIndex) const;
    QVariant valueAt(qint64 row, int column) const;
    void invalidateRows();
    QString selectSql(const QString &columns, bool reversed = false) const;
    QVariantList selectValues() const;
    std::optional<qint64> positionInTable(const QSqlDatabase &db, qint64 key) const;
    std::optional<qint64> positionInSet(const QSqlDatabase &db, qint64 key) const;
    // A search over the book's key table: by the identities of its rows in order.
    bool isKeyedTable() const { return m_isTable && !m_sql.keyTable.isEmpty(); }
    bool readKeyedPage(const QSqlDatabase &db, qint64 firstRow, Page &fetched) const;
    QString condition() const;
    void ensureOrdered(const QSqlDatabase &db) const;
    std::optional<QList<qint64>> readOrderedKeys(const QSqlDatabase &db, QSqlError *error) const;
    // A broad search shows its first rows while the whole of its order is read beside: taken
    // when that is done, or when a row past the first ones is asked for.
    void takeOrder() const;
    // The whole order of the set as it was opened: taken from beside, or read now.
    bool wholeOrder(const QSqlDatabase &db) const;

    QString m_databaseName;
    QString m_sourceObject;
    std::optional<Statement> m_statement;
    const SearchKeys::KeyedSource *m_keys = nullptr; // the search keys of the source, where the file has them
    Statement::Sql m_sql;      // the statement as run
    mutable QList<qint64> m_ids; // a search over a key table: its rows in order
    mutable bool m_idsWhole = true; // or only the first of them, the rest being read beside
    mutable std::unique_ptr<CountCache::OrderedKeysBeside> m_ordering;
    std::unique_ptr<CountCache::OrderedKeysBeside> m_walking; // the one before, while a search is read again
    QString m_object; // the table or query read
    bool m_isTable = false;

    bool m_open = false;
    QStringList m_fields;
    qint64 m_count = 0;
    ChangeStamp m_openStamp; // the file as the count saw it
    std::optional<qint64> m_openChanges; // the book's change number then, where it has one
    int m_generation = 0;

    mutable QHash<qint64, Page> m_pages;
    mutable QList<qint64> m_pageOrder;
};

} // namespace dalil
