#include "statement.h"

#include <QRegularExpression>

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

} // namespace

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

bool Statement::addCondition(const QString &fragment, const QString &pattern)
{
    const auto match = conditionPattern().match(fragment);
    if (!match.hasMatch())
        return false;
    const QString join = match.captured(1).toLower();
    Condition condition;
    condition.join = join == u"where" ? Condition::Join::Where
                   : join == u"and"   ? Condition::Join::And
                                      : Condition::Join::Or;
    // "where" opens the conditions and only there.
    if ((condition.join == Condition::Join::Where) != m_conditions.isEmpty())
        return false;
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
        return false;
    m_orderFragment = fragment;
    m_orderColumn = match.captured(1);
    return true;
}

std::optional<Statement> Statement::parse(const QString &text)
{
    // Split into the pieces between quotes: head+first fragment, literal, fragment, literal, ...
    static const QRegularExpression fromRe(
        QStringLiteral(R"(^\s*select\s+\*\s+from\s+\S+\s*)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    const auto head = fromRe.match(text);
    if (!head.hasMatch())
        return std::nullopt;
    auto statement = fromFragments(head.captured(0));
    if (!statement)
        return std::nullopt;

    QString rest = text.mid(head.capturedLength(0));
    while (true) {
        const qsizetype open = rest.indexOf(u'\'');
        if (open < 0)
            break;
        const qsizetype close = rest.indexOf(u'\'', open + 1);
        if (close < 0)
            return std::nullopt;
        if (!statement->addCondition(rest.left(open + 1), rest.mid(open + 1, close - open - 1)))
            return std::nullopt;
        rest = rest.mid(close + 1);
    }
    if (!rest.trimmed().isEmpty() && !statement->setOrder(rest))
        return std::nullopt;
    return statement;
}

QString Statement::text() const
{
    QString result = m_head;
    for (const Condition &condition : m_conditions)
        result += condition.fragment + condition.pattern + u'\'';
    return result + m_orderFragment;
}

Statement::Sql Statement::toSql() const
{
    Sql sql;
    QStringList terms;
    for (const Condition &condition : m_conditions) {
        const QString column = quoteIdentifier(condition.column);
        const LikePattern like = translateLike(condition.pattern);
        QStringList parts;
        if (like.isExact) {
            parts << column + QStringLiteral(" = ?");
            sql.values << like.literalPrefix;
        } else {
            // The literal prefix becomes an index range; the LIKE checks the rest.
            parts << column + QStringLiteral(" >= ?");
            sql.values << like.literalPrefix;
            if (!like.literalPrefix.isEmpty()) {
                parts << column + QStringLiteral(" < ?");
                sql.values << prefixUpperBound(like.literalPrefix);
            }
            if (!like.isPlainPrefix) {
                parts << column + QStringLiteral(" LIKE ? ESCAPE '\\'");
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
    if (!m_orderColumn.isEmpty())
        sql.orderBy = QStringLiteral(" ORDER BY ") + quoteIdentifier(m_orderColumn);
    return sql;
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

QString prefixUpperBound(const QString &prefix)
{
    // U+10FFFF sorts after every character that can follow the prefix.
    return prefix + QString::fromUcs4(U"\U0010FFFF");
}

QString quoteIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace dalil
