// The search language of the record sources: "select * from T where C like'P'... order by C",
// kept as fixed fragments and the user's patterns, and run with the patterns bound as values.
#pragma once

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

// A SELECT statement over one table or stored query. The patterns are never pasted into
// SQL: text() shows the statement as its fragments read, toSql() binds them as values.
class Statement
{
public:
    Statement() = default;

    // head: "select * from Phone "; the fragments are validated, the texts are not.
    static std::optional<Statement> fromFragments(const QString &head);
    bool addCondition(const QString &fragment, const QString &pattern);
    bool setOrder(const QString &fragment);

    // Reads a whole statement text whose literals hold no quote; for statements written
    // by hand. Windows build theirs from fragments so that typed text may hold quotes.
    static std::optional<Statement> parse(const QString &text);

    QString source() const { return m_source; }
    QList<Condition> conditions() const { return m_conditions; }
    QString orderColumn() const { return m_orderColumn; }

    // The statement as the plain concatenation of its fragments and patterns.
    QString text() const;

    // WHERE and ORDER BY clauses for SQLite, with '?' placeholders and their values.
    struct Sql
    {
        QString where;   // empty, or " WHERE ..."
        QString orderBy; // empty, or " ORDER BY ..."
        QVariantList values;
    };
    Sql toSql() const;

private:
    QString m_head;
    QString m_source;
    QList<Condition> m_conditions;
    QString m_orderFragment;
    QString m_orderColumn;
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

// Upper bound of the keys that begin with prefix, for an index range search.
QString prefixUpperBound(const QString &prefix);

// Quotes an identifier for SQLite.
QString quoteIdentifier(const QString &name);

} // namespace dalil
