// Record counts kept between openings of a record set while the file stays unchanged, so
// that a book of a million records is not counted afresh at every save, delete or reopening.
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <optional>

namespace dalil {

// What a connection has seen of changes: rows written through it (its own total), commits of
// other connections or programs (data version) and schema changes. While the stamp stays the
// same, every table reads as it did.
struct ChangeStamp
{
    qint64 connection = 0; // this opening of the connection: a reopened file starts afresh
    qint64 own = -1;
    qint64 others = -1;
    qint64 schema = -1;

    bool isValid() const { return own >= 0; }
    bool operator==(const ChangeStamp &) const = default;

    static ChangeStamp of(const QSqlDatabase &db);
};

namespace CountCache {

// A count taken at this stamp for the rows of object that satisfy condition (empty: all).
std::optional<qint64> find(const QSqlDatabase &db, const QString &object, const QString &condition,
                           const QVariantList &values, const ChangeStamp &stamp);
void store(const QSqlDatabase &db, const QString &object, const QString &condition, const QVariantList &values,
           qint64 count, const ChangeStamp &stamp);

// One row written through the connection: the counts of its table follow the write (plus or
// minus the row where it meets the condition). Counts the write may have changed in ways not
// followed (a trigger writing elsewhere, a failed write) are dropped.
class Write
{
public:
    enum class Kind { Insert, Update, Delete };
    // Before the write; key is the row updated or deleted.
    Write(const QSqlDatabase &db, const QString &table, Kind kind, std::optional<qint64> key = std::nullopt);
    ~Write();
    Write(const Write &) = delete;
    Write &operator=(const Write &) = delete;

    // After the write succeeded; key is the row inserted.
    void succeeded(std::optional<qint64> key = std::nullopt);

private:
    QSqlDatabase m_db;
    QString m_table;
    Kind m_kind;
    std::optional<qint64> m_key;
    ChangeStamp m_before;
    QList<int> m_memberBefore; // per cached count of the table: whether the row met its condition
    bool m_done = false;
};

} // namespace CountCache

} // namespace dalil
