// The search language of the record sources: "select * from T where C like'P'... order by C",
// kept as fixed fragments and the user's patterns, and run with the patterns bound as values.
#pragma once

#include "connection.h"
#include "searchkeys.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

namespace dalil {

// One condition: the fixed fragment that names it ("where الإسم like'", "OR الجوال Like'")
// and the pattern that follows it (the typed text with the wildcard "*" appended).
struct Condition
{
    enum class Join { Where, And, Or };
    Join join = Join::Where;
    QString column;
    QString fragment;
    QString pattern;
};

// How a column is searched and ordered: the expression a condition compares with its
// pattern, the expression the order sorts by, and the index range a literal prefix becomes.
// Every statement asks here and nowhere else. A column with search keys is searched by its
// folded key and ordered by its collation key, both in the source's key table; in a file
// without keys it is searched and ordered as it stands.
struct SearchKey
{
    QString searched; // SQL expression the patterns are compared with
    QString ordered;  // SQL expression the order sorts by (empty: no key orders it)
    bool folded = false;

    // keys: the source's search keys, or null where the file has none.
    static SearchKey of(const SearchKeys::KeyedSource *keys, const QString &column);
    // The bound values for a pattern's literal text, and the upper end of the range of keys
    // that begin with a prefix.
    QVariant value(const QString &literal) const;
    QVariant prefixUpperBound(const QString &prefix) const;
};

// A SELECT statement over one table or stored query. The patterns are never pasted into
// SQL: text() shows the statement as its fragments read, toSql() binds them as values.
class Statement
{
public:
    Statement() = default;

    // A search as the program builds it: the table or stored query, each column compared with
    // the pattern typed for it ("*" any run of characters, "?" any one), joined by and/or, and
    // the column the list is ordered by. The statement's text is written from them; nothing is
    // parsed. A condition out of place (where after where, and/or first) or a name that is no
    // plain name is a mistake in the program: it stops a debug build, and in any build leaves
    // a statement that does not open.
    static Statement select(const QString &source);
    Statement &where(const QString &column, const QString &pattern);
    Statement &andWhere(const QString &column, const QString &pattern);
    Statement &orWhere(const QString &column, const QString &pattern);
    Statement &orderBy(const QString &column);

    // A statement read from its fragments, as tests and tools write them.
    // head: "select * from Phone "; the fragments are validated, the texts are not.
    static std::optional<Statement> fromFragments(const QString &head);
    // A fragment the language refuses is not added, and the statement remembers it: such a
    // statement never opens (it would list the whole table), see refusedFragment().
    [[nodiscard]] bool addCondition(const QString &fragment, const QString &pattern);
    [[nodiscard]] bool setOrder(const QString &fragment);

    // A statement made of the program's own fragments, each condition a fragment and the
    // typed pattern that follows it. A refused fragment is a mistake in the program: it
    // stops a debug build here, and in any build leaves a statement that does not open.
    static Statement build(const QString &head, const QList<std::pair<QString, QString>> &conditions,
                           const QString &order);

    // The first fragment that was refused, or an empty text when every one was taken.
    QString refusedFragment() const { return m_refused; }
    bool isWellFormed() const { return m_refused.isEmpty() && !m_source.isEmpty(); }

    QString source() const { return m_source; }
    QList<Condition> conditions() const { return m_conditions; }
    QString orderColumn() const { return m_orderColumn; }

    // The statement as the plain concatenation of its fragments and patterns.
    QString text() const;

    // WHERE and ORDER BY clauses for SQLite, with '?' placeholders and their values. Given
    // the source's search keys, the clauses are over its key table (keyTable is then set):
    // every condition compares a folded key, and the order is the collation key, then the
    // key table's link to the source's row.
    struct Sql
    {
        QString where;   // empty, or " WHERE ..."
        QString orderBy; // empty, or " ORDER BY ..."
        QVariantList values;
        QString keyTable;   // the clauses are over this key table; empty: over the source
        QStringList keysUsed; // the folded keys the conditions compare
        // The keys a literal prefix narrows, with the range of keys it stands for.
        using Range = SearchKeys::KeyRange;
        QList<Range> prefixed;
    };
    Sql toSql(const SearchKeys::KeyedSource *keys = nullptr) const;

private:
    bool refuse(const QString &fragment);
    Statement &add(Condition::Join join, const QString &column, const QString &pattern);

    QString m_head;
    QString m_source;
    QList<Condition> m_conditions;
    QString m_orderFragment;
    QString m_orderColumn;
    QString m_refused;
};

// A Jet LIKE pattern: "*" matches any run of characters, "?" any one character; every
// other character, SQL's own "%" and "_" included, matches itself.
struct LikePattern
{
    QString literalPrefix; // the characters before the first wildcard
    bool isPlainPrefix = false; // the pattern is literalPrefix followed by a single "*"
    bool isExact = false;       // the pattern has no wildcard at all
    QString sqlLike;            // the same pattern for SQLite's LIKE with ESCAPE '\'
};
LikePattern translateLike(const QString &pattern);

} // namespace dalil
