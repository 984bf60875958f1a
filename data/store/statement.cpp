#include "statement.h"

#include "searchkeys.h"

#include <QRegularExpression>

#include <algorithm>

namespace dalil {

namespace {

const QRegularExpression &headPattern()
{
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*select\s+\*\s+from\s+(\S+)\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return re;
}

const QRegularExpression &conditionPattern()
{
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*(where|and|or)\s+(\S+)\s+like\s*'$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return re;
}

const QRegularExpression &orderPattern()
{
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*order\s+by\s+(\S+)\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return re;
}

// A table's, stored query's or column's name, as a statement's text may hold it.
bool isPlainName(const QString &name)
{
    return !name.isEmpty() && std::none_of(name.cbegin(), name.cend(), [](QChar c) { return c.isSpace() || c == u'\''; });
}

} // namespace

Statement Statement::select(const QString &source)
{
    Statement statement;
    statement.m_head = QStringLiteral("select * from ") + source + u' ';
    if (isPlainName(source))
        statement.m_source = source;
    else
        statement.refuse(statement.m_head);
    Q_ASSERT_X(statement.m_refused.isEmpty(), "Statement::select", qPrintable(source));
    return statement;
}

Statement &Statement::where(const QString &column, const QString &pattern)
{
    return add(Condition::Join::Where, column, pattern);
}

Statement &Statement::andWhere(const QString &column, const QString &pattern)
{
    return add(Condition::Join::And, column, pattern);
}

Statement &Statement::orWhere(const QString &column, const QString &pattern)
{
    return add(Condition::Join::Or, column, pattern);
}

Statement &Statement::add(Condition::Join join, const QString &column, const QString &pattern)
{
    // The words each condition reads with in the statement's text.
    const QString fragment = join == Condition::Join::Where ? QStringLiteral("where ") + column + QStringLiteral(" like'")
                           : join == Condition::Join::And   ? QStringLiteral("AND ") + column + QStringLiteral(" Like'")
                                                            : QStringLiteral("OR ") + column + QStringLiteral(" Like'");
    // "where" opens the conditions and only there.
    if (!isPlainName(column) || (join == Condition::Join::Where) != m_conditions.isEmpty()) {
        refuse(fragment);
        Q_ASSERT_X(false, "Statement::add", qPrintable(fragment));
        return *this;
    }
    m_conditions.append({join, column, fragment, pattern});
    return *this;
}

Statement &Statement::orderBy(const QString &column)
{
    m_orderFragment = QStringLiteral("order by ") + column;
    if (isPlainName(column))
        m_orderColumn = column;
    else
        refuse(m_orderFragment);
    Q_ASSERT_X(m_refused.isEmpty(), "Statement::orderBy", qPrintable(column));
    return *this;
}

std::optional<Statement> Statement::fromFragments(const QString &head)
{
    const auto match = headPattern().match(head);
    if (!match.hasMatch())
        return std::nullopt;
    Statement statement;
    statement.m_head = head;
    statement.m_source = match.captured(1);
    return statement;
}

bool Statement::refuse(const QString &fragment)
{
    if (m_refused.isEmpty())
        m_refused = fragment.isEmpty() ? QStringLiteral("(empty fragment)") : fragment;
    return false;
}

bool Statement::addCondition(const QString &fragment, const QString &pattern)
{
    const auto match = conditionPattern().match(fragment);
    if (!match.hasMatch())
        return refuse(fragment);
    const QString join = match.captured(1).toLower();
    Condition condition;
    condition.join = join == u"where" ? Condition::Join::Where
                   : join == u"and"   ? Condition::Join::And
                                      : Condition::Join::Or;
    // "where" opens the conditions and only there.
    if ((condition.join == Condition::Join::Where) != m_conditions.isEmpty())
        return refuse(fragment);
    condition.column = match.captured(2);
    condition.fragment = fragment;
    condition.pattern = pattern;
    m_conditions.append(condition);
    return true;
}

bool Statement::setOrder(const QString &fragment)
{
    const auto match = orderPattern().match(fragment);
    if (!match.hasMatch())
        return refuse(fragment);
    m_orderFragment = fragment;
    m_orderColumn = match.captured(1);
    return true;
}

Statement Statement::build(const QString &head, const QList<std::pair<QString, QString>> &conditions,
                           const QString &order)
{
    std::optional<Statement> statement = fromFragments(head);
    if (!statement) {
        Q_ASSERT_X(false, "Statement::build", qPrintable(head));
        Statement refused;
        refused.m_refused = head;
        return refused;
    }
    bool taken = true;
    for (const auto &[fragment, pattern] : conditions)
        taken = statement->addCondition(fragment, pattern) && taken;
    if (!order.isEmpty())
        taken = statement->setOrder(order) && taken;
    Q_ASSERT_X(taken, "Statement::build", qPrintable(statement->refusedFragment()));
    return *statement;
}

QString Statement::text() const
{
    QString result = m_head;
    for (const Condition &condition : m_conditions)
        result += condition.fragment + condition.pattern + u'\'';
    return result + m_orderFragment;
}

Statement::Sql Statement::toSql(const SearchKeys::KeyedSource *keys) const
{
    Sql sql;
    // The keys serve a statement only when they hold every column it searches and its order.
    if (keys) {
        for (const Condition &condition : m_conditions) {
            if (keys->keyOf(condition.column).isEmpty())
                keys = nullptr;
        }
        if (keys && !m_orderColumn.isEmpty() && m_orderColumn.compare(keys->orderedColumn, Qt::CaseInsensitive) != 0)
            keys = nullptr;
    }
    if (keys)
        sql.keyTable = keys->keyTable;
    QStringList terms;
    for (const Condition &condition : m_conditions) {
        const SearchKey key = SearchKey::of(keys, condition.column);
        if (keys)
            sql.keysUsed << key.searched;
        const LikePattern like = translateLike(key.folded ? SearchKeys::fold(condition.pattern) : condition.pattern);
        if (keys && !like.literalPrefix.isEmpty())
            sql.prefixed.append({key.searched, like.literalPrefix, key.prefixUpperBound(like.literalPrefix).toString()});
        QStringList parts;
        if (like.isExact) {
            parts << key.searched + QStringLiteral(" = ?");
            sql.values << like.literalPrefix;
        } else {
            // The literal prefix becomes an index range; the LIKE checks the rest.
            parts << key.searched + QStringLiteral(" >= ?");
            sql.values << like.literalPrefix;
            if (!like.literalPrefix.isEmpty()) {
                parts << key.searched + QStringLiteral(" < ?");
                sql.values << key.prefixUpperBound(like.literalPrefix);
            }
            if (!like.isPlainPrefix) {
                parts << key.searched + QStringLiteral(" LIKE ? ESCAPE '\\'");
                sql.values << like.sqlLike;
            }
        }
        QString term = u'(' + parts.join(QStringLiteral(" AND ")) + u')';
        switch (condition.join) {
        case Condition::Join::Where:
            terms << term;
            break;
        case Condition::Join::And:
            terms << QStringLiteral("AND ") + term;
            break;
        case Condition::Join::Or:
            terms << QStringLiteral("OR ") + term;
            break;
        }
    }
    if (!terms.isEmpty())
        sql.where = QStringLiteral(" WHERE ") + terms.join(u' ');
    if (!m_orderColumn.isEmpty()) {
        const SearchKey key = SearchKey::of(keys, m_orderColumn);
        sql.orderBy = QStringLiteral(" ORDER BY ") + key.ordered;
    }
    return sql;
}

SearchKey SearchKey::of(const SearchKeys::KeyedSource *keys, const QString &column)
{
    if (keys) {
        const QString folded = keys->keyOf(column);
        const bool orders = column.compare(keys->orderedColumn, Qt::CaseInsensitive) == 0;
        if (!folded.isEmpty() || orders)
            return {folded, orders ? keys->orderKey + QStringLiteral(", ") + keys->keyLink : QString(), true};
    }
    // Without keys a column is searched and ordered as it stands, through its index and the
    // column's own collation.
    const QString quoted = quoteIdentifier(column);
    return {quoted, quoted, false};
}

QVariant SearchKey::value(const QString &literal) const
{
    return folded ? SearchKeys::fold(literal) : literal;
}

QVariant SearchKey::prefixUpperBound(const QString &prefix) const
{
    // U+10FFFF sorts after every character that can follow the prefix.
    return prefix + QString::fromUcs4(U"\U0010FFFF");
}

LikePattern translateLike(const QString &pattern)
{
    LikePattern like;
    qsizetype firstWildcard = -1;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'*' || c == u'?') {
            if (firstWildcard < 0)
                firstWildcard = i;
            like.sqlLike += c == u'*' ? u'%' : u'_';
        } else {
            if (c == u'%' || c == u'_' || c == u'\\')
                like.sqlLike += u'\\';
            like.sqlLike += c;
        }
    }
    if (firstWildcard < 0) {
        like.literalPrefix = pattern;
        like.isExact = true;
        return like;
    }
    like.literalPrefix = pattern.left(firstWildcard);
    like.isPlainPrefix = firstWildcard == pattern.size() - 1 && pattern.back() == u'*';
    return like;
}

} // namespace dalil
