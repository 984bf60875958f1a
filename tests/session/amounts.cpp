// The model's own amounts in words, written from the grammar the cheque window follows, not
// asked of the program: a fault in the program's words shows as a difference.
#include "model.h"

#include <QHash>

namespace session {

namespace {

const QStringList ones{{}, QStringLiteral("واحد"), QStringLiteral("اثنان"), QStringLiteral("ثلاثة"), QStringLiteral("أربعة"),
                       QStringLiteral("خمسة"), QStringLiteral("ستة"), QStringLiteral("سبعة"), QStringLiteral("ثمانية"),
                       QStringLiteral("تسعة"), QStringLiteral("عشرة")};
const QStringList tens{{}, {}, QStringLiteral("عشرون"), QStringLiteral("ثلاثون"), QStringLiteral("أربعون"), QStringLiteral("خمسون"),
                       QStringLiteral("ستون"), QStringLiteral("سبعون"), QStringLiteral("ثمانون"), QStringLiteral("تسعون")};
const QStringList hundreds{{}, QStringLiteral("مائة"), QStringLiteral("مائتان"), QStringLiteral("ثلاثمائة"), QStringLiteral("أربعمائة"),
                           QStringLiteral("خمسمائة"), QStringLiteral("ستمائة"), QStringLiteral("سبعمائة"), QStringLiteral("ثمانمائة"),
                           QStringLiteral("تسعمائة")};

// A counted noun's forms: one, two, the plural (3 to 10), the accusative (11 to 99), and the
// dual before another noun (empty where it never stands there).
struct Noun
{
    QString one, two, plural, accusative, twoBefore;
};

const Noun dinar{QStringLiteral("دينار"), QStringLiteral("ديناران"), QStringLiteral("دنانير"), QStringLiteral("دينار\u064Bا"), {}};
const Noun fils{QStringLiteral("فلس"), QStringLiteral("فلسان"), QStringLiteral("فلوس"), QStringLiteral("فلس\u064Bا"), {}};
const Noun scales[] = {
    {QStringLiteral("ألف"), QStringLiteral("ألفان"), QStringLiteral("آلاف"), QStringLiteral("ألف\u064Bا"), QStringLiteral("ألفا")},
    {QStringLiteral("مليون"), QStringLiteral("مليونان"), QStringLiteral("ملايين"), QStringLiteral("مليون\u064Bا"), QStringLiteral("مليونا")},
    {QStringLiteral("مليار"), QStringLiteral("ملياران"), QStringLiteral("مليارات"), QStringLiteral("مليار\u064Bا"), QStringLiteral("مليارا")},
};

// 1 to 99 as a number alone.
QString below100(int n)
{
    if (n <= 10)
        return ones[n];
    if (n == 11)
        return QStringLiteral("أحد عشر");
    if (n == 12)
        return QStringLiteral("اثنا عشر");
    if (n < 20)
        return ones[n - 10] + QStringLiteral(" عشر");
    return n % 10 ? ones[n % 10] + QStringLiteral(" و") + tens[n / 10] : tens[n / 10];
}

// count (1 to 999) of noun. alone: nothing comes before it in the amount; nounNext: the noun
// stands directly before another noun (a scale before the currency).
QString counted(int count, const Noun &noun, bool alone, bool nounNext)
{
    const bool currency = noun.twoBefore.isEmpty();
    if (count == 1)
        return currency && alone ? noun.one + QStringLiteral(" واحد") : currency ? ones[1] + u' ' + noun.one : noun.one;
    if (count == 2)
        return currency && alone ? noun.two + QStringLiteral(" اثنان")
               : currency        ? ones[2] + u' ' + noun.one
                                 : (nounNext ? noun.twoBefore : noun.two);
    QString words;
    const int rest = count % 100;
    if (count >= 100) {
        // The dual hundred stands in construct before its noun.
        words = count / 100 == 2 && rest == 0 ? QStringLiteral("مائتا") : hundreds[count / 100];
        if (rest == 0)
            return words + u' ' + noun.one;
        words += QStringLiteral(" و");
        if (rest <= 2)
            return words + ones[rest] + u' ' + noun.one;
    }
    words += below100(rest);
    if (rest <= 10)
        return words + u' ' + noun.plural;
    return words + u' ' + (currency || !nounNext ? noun.accusative : noun.one);
}

QString part(qint64 amount, const Noun &noun)
{
    const int groups[] = {int(amount / 1000000000 % 1000), int(amount / 1000000 % 1000), int(amount / 1000 % 1000), int(amount % 1000)};
    QStringList words;
    for (int g = 0; g < 4; ++g) {
        if (!groups[g])
            continue;
        if (g == 3) {
            words << counted(groups[g], noun, words.isEmpty(), false);
            continue;
        }
        bool restZero = true;
        for (int h = g + 1; h < 4; ++h)
            restZero = restZero && !groups[h];
        words << counted(groups[g], scales[2 - g], words.isEmpty(), restZero);
        if (restZero)
            words.last() += u' ' + noun.one;
    }
    return words.join(QStringLiteral(" و"));
}

} // namespace

QString wordsOf(qint64 dinars, qint64 filsCount)
{
    constexpr qint64 largest = 999999999999;
    if (dinars < 0 || filsCount < 0 || dinars > largest || filsCount > largest || (!dinars && !filsCount))
        return {};
    QStringList parts;
    if (dinars)
        parts << part(dinars, dinar);
    if (filsCount)
        parts << part(filsCount, fils);
    return QStringLiteral("فقط ") + parts.join(QStringLiteral(" و")) + QStringLiteral(" لا غير");
}


std::optional<std::pair<qint64, qint64>> amountOfWords(const QString &text)
{
    // What each word adds to the number being read; the scales multiply what was read before
    // them (one when nothing was), the currencies end a part.
    static const QHash<QString, qint64> numbers = [] {
        QHash<QString, qint64> h;
        for (int i = 1; i <= 10; ++i)
            h.insert(ones[i], i);
        for (int i = 2; i <= 9; ++i)
            h.insert(tens[i], 10 * i);
        for (int i = 1; i <= 9; ++i)
            h.insert(hundreds[i], 100 * i);
        h.insert(QStringLiteral("مائتا"), 200);
        h.insert(QStringLiteral("مئة"), 100);
        h.insert(QStringLiteral("أحد"), 1);
        h.insert(QStringLiteral("اثنا"), 2);
        h.insert(QStringLiteral("عشر"), 10);
        return h;
    }();
    struct Form
    {
        qint64 scale; // 0 for dinars, -1 for fils
        int count;    // 2 for a dual, otherwise 0 (counted by what came before)
    };
    static const QHash<QString, Form> nouns = [] {
        QHash<QString, Form> h;
        const auto add = [&](const Noun &n, qint64 scale) {
            for (const QString &w : {n.one, n.plural, n.accusative})
                h.insert(w, {scale, 0});
            h.insert(n.two, {scale, 2});
            if (!n.twoBefore.isEmpty())
                h.insert(n.twoBefore, {scale, 2});
        };
        add(dinar, 0);
        add(fils, -1);
        add(scales[0], 1000);
        add(scales[1], 1000000);
        add(scales[2], 1000000000);
        return h;
    }();
    QStringList words = text.simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.value(0) == u"فقط")
        words.removeFirst();
    if (words.size() >= 2 && words.last() == u"غير" && words.at(words.size() - 2) == u"لا")
        words.resize(words.size() - 2);
    qint64 parts[2] = {0, 0};
    bool seen[2] = {false, false};
    qint64 total = 0, current = 0;
    bool after = false; // just after a currency noun: "دينار واحد", "ديناران اثنان"
    for (QString w : std::as_const(words)) {
        if (!numbers.contains(w) && !nouns.contains(w) && w.startsWith(u'و'))
            w.remove(0, 1);
        if (after && (w == ones[1] || w == ones[2])) {
            after = false;
            continue;
        }
        after = false;
        if (numbers.contains(w)) {
            current += numbers.value(w);
        } else if (nouns.contains(w)) {
            const Form form = nouns.value(w);
            if (form.scale > 0) {
                total += (form.count ? form.count : current ? current : 1) * form.scale;
            } else {
                const int which = form.scale == 0 ? 0 : 1;
                if (which == 0 && seen[1])
                    return std::nullopt; // dinars after fils
                // The noun before its number ("دينار واحد") counts one, or two for a dual.
                after = !total && !current;
                parts[which] += after ? (form.count ? form.count : 1) : total + current;
                seen[which] = true;
                total = 0;
            }
            current = 0;
        } else {
            return std::nullopt;
        }
    }
    if ((!seen[0] && !seen[1]) || total || current)
        return std::nullopt;
    return std::pair(parts[0], parts[1]);
}

} // namespace session
