#include "counts.h"

namespace dalil::Counts {

namespace {

// The dual as the case asks, before a follower in construct without its ن.
QString dualOf(const Noun &noun, Case grammaticalCase)
{
    QString dual = noun.dual; // ends in ان
    if (grammaticalCase == Case::Oblique)
        dual = dual.left(dual.size() - 2) + QStringLiteral("ين");
    if (!noun.follower.isEmpty())
        dual.chop(1);
    return dual;
}

QString withFollower(const QString &head, const Noun &noun)
{
    return noun.follower.isEmpty() ? head : head + u' ' + noun.follower;
}

} // namespace

QString text(qint64 n, const Noun &noun, Case grammaticalCase)
{
    if (n == 1)
        return withFollower(noun.singular, noun) + (noun.feminine ? QStringLiteral(" واحدة") : QStringLiteral(" واحد"));
    if (n == 2)
        return withFollower(dualOf(noun, grammaticalCase), noun);
    const qint64 lastTwo = n < 0 ? -n % 100 : n % 100;
    const QString head = n == 0 || (lastTwo >= 3 && lastTwo <= 10) ? noun.plural
                         : lastTwo >= 11                           ? noun.accusative
                                                                   : noun.singular;
    return QString::number(n) + u' ' + withFollower(head, noun);
}

const Noun &record()
{
    static const Noun noun{QStringLiteral("سجل"), QStringLiteral("سجلان"), QStringLiteral("سجلات"),
                           QStringLiteral("سجل\u064Bا"), false, {}};
    return noun;
}

const Noun &phoneRecord()
{
    // "11 سجلَّ هاتف": in construct the accusative takes no tanween.
    static const Noun noun{QStringLiteral("سجل"), QStringLiteral("سجلان"), QStringLiteral("سجلات"),
                           QStringLiteral("سجل"), false, QStringLiteral("هاتف")};
    return noun;
}

const Noun &appointment()
{
    static const Noun noun{QStringLiteral("موعد"), QStringLiteral("موعدان"), QStringLiteral("مواعيد"),
                           QStringLiteral("موعد\u064Bا"), false, {}};
    return noun;
}

const Noun &cheque()
{
    static const Noun noun{QStringLiteral("شيك"), QStringLiteral("شيكان"), QStringLiteral("شيكات"),
                           QStringLiteral("شيك\u064Bا"), false, {}};
    return noun;
}

const Noun &minute()
{
    static const Noun noun{QStringLiteral("دقيقة"), QStringLiteral("دقيقتان"), QStringLiteral("دقائق"),
                           QStringLiteral("دقيقة"), true, {}};
    return noun;
}

const Noun &day()
{
    static const Noun noun{QStringLiteral("يوم"), QStringLiteral("يومان"), QStringLiteral("أيام"),
                           QStringLiteral("يوم\u064Bا"), false, {}};
    return noun;
}

const Noun &time()
{
    static const Noun noun{QStringLiteral("مرة"), QStringLiteral("مرتان"), QStringLiteral("مرات"),
                           QStringLiteral("مرة"), true, {}};
    return noun;
}

} // namespace dalil::Counts
