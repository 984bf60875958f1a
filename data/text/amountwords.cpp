#include "amountwords.h"

#include <QHash>
#include <QStringList>

namespace dalil {

namespace {

constexpr qint64 largestPart = 999'999'999'999;

// ---- Writing ----

// The forms a counted noun takes after a number.
struct Noun
{
    QString singular; // the genitive after 100, 1000 …; also one thing
    QString dual;
    QString dualConstruct; // the dual directly before another noun
    QString plural; // after 3 to 10
    QString accusative; // after 11 to 99
    bool currency; // one and two are said with the number after the noun: "دينار واحد"
};

const Noun &dinarNoun()
{
    static const Noun noun{QStringLiteral("دينار"), QStringLiteral("ديناران"), QString(),
                           QStringLiteral("دنانير"), QStringLiteral("دينار\u064Bا"), true};
    return noun;
}

const Noun &filsNoun()
{
    static const Noun noun{QStringLiteral("فلس"), QStringLiteral("فلسان"), QString(),
                           QStringLiteral("فلوس"), QStringLiteral("فلس\u064Bا"), true};
    return noun;
}

struct Scale
{
    qint64 size;
    Noun noun;
};

const QList<Scale> &scales()
{
    static const QList<Scale> list{
        {1'000'000'000,
         {QStringLiteral("مليار"), QStringLiteral("ملياران"), QStringLiteral("مليارا"),
          QStringLiteral("مليارات"), QStringLiteral("مليار\u064Bا"), false}},
        {1'000'000,
         {QStringLiteral("مليون"), QStringLiteral("مليونان"), QStringLiteral("مليونا"),
          QStringLiteral("ملايين"), QStringLiteral("مليون\u064Bا"), false}},
        {1'000,
         {QStringLiteral("ألف"), QStringLiteral("ألفان"), QStringLiteral("ألفا"), QStringLiteral("آلاف"),
          QStringLiteral("ألف\u064Bا"), false}},
    };
    return list;
}

const QString conjunction = QStringLiteral(" و");

// 1 to 99 in the nominative, counting a masculine noun (so 3 to 10 take ة).
QString belowHundred(int n)
{
    static const QString units[] = {QString(),
                                    QStringLiteral("واحد"),
                                    QStringLiteral("اثنان"),
                                    QStringLiteral("ثلاثة"),
                                    QStringLiteral("أربعة"),
                                    QStringLiteral("خمسة"),
                                    QStringLiteral("ستة"),
                                    QStringLiteral("سبعة"),
                                    QStringLiteral("ثمانية"),
                                    QStringLiteral("تسعة"),
                                    QStringLiteral("عشرة")};
    static const QString tens[] = {QString(),
                                   QString(),
                                   QStringLiteral("عشرون"),
                                   QStringLiteral("ثلاثون"),
                                   QStringLiteral("أربعون"),
                                   QStringLiteral("خمسون"),
                                   QStringLiteral("ستون"),
                                   QStringLiteral("سبعون"),
                                   QStringLiteral("ثمانون"),
                                   QStringLiteral("تسعون")};
    if (n <= 10)
        return units[n];
    if (n == 11)
        return QStringLiteral("أحد عشر");
    if (n == 12)
        return QStringLiteral("اثنا عشر");
    if (n < 20)
        return units[n - 10] + QStringLiteral(" عشر");
    if (n % 10 == 0)
        return tens[n / 10];
    return units[n % 10] + conjunction + tens[n / 10];
}

// 1 to 999, standing directly before the noun it counts.
QString belowThousand(int n)
{
    static const QString hundreds[] = {QString(),
                                       QStringLiteral("مائة"),
                                       QStringLiteral("مائتان"),
                                       QStringLiteral("ثلاثمائة"),
                                       QStringLiteral("أربعمائة"),
                                       QStringLiteral("خمسمائة"),
                                       QStringLiteral("ستمائة"),
                                       QStringLiteral("سبعمائة"),
                                       QStringLiteral("ثمانمائة"),
                                       QStringLiteral("تسعمائة")};
    const int rest = n % 100;
    if (n < 100)
        return belowHundred(rest);
    if (rest == 0)
        return n == 200 ? QStringLiteral("مائتا") : hundreds[n / 100];
    return hundreds[n / 100] + conjunction + belowHundred(rest);
}

QString counted(qint64 count, const Noun &noun, bool beforeNoun);

// A number of 3 or more, standing directly before the noun it counts.
QString numberWords(qint64 n)
{
    QStringList parts;
    for (const Scale &scale : scales()) {
        const qint64 count = n / scale.size % 1000;
        if (count > 0)
            parts << counted(count, scale.noun, n % scale.size == 0);
    }
    if (n % 1000 > 0)
        parts << belowThousand(int(n % 1000));
    return parts.join(conjunction);
}

// count (1 to 999,999,999,999) with its noun in the form the last two digits ask for;
// beforeNoun: another noun follows at once (the thousand of "ألف دينار"), which puts a
// dual or an accusative in construct.
QString counted(qint64 count, const Noun &noun, bool beforeNoun)
{
    if (count == 1)
        return noun.currency ? noun.singular + QStringLiteral(" واحد") : noun.singular;
    if (count == 2) {
        if (noun.currency)
            return noun.dual + QStringLiteral(" اثنان");
        return beforeNoun ? noun.dualConstruct : noun.dual;
    }
    const QString number = numberWords(count) + u' ';
    const qint64 lastTwo = count % 100;
    // 101 and 102 as "مائة وواحد دينار", "مائة واثنان دينار": see the header.
    if (lastTwo <= 2)
        return number + noun.singular;
    if (lastTwo <= 10)
        return number + noun.plural;
    return number + (beforeNoun ? noun.singular : noun.accusative);
}

// ---- Reading ----

// Letters that are written in more than one way, and marks that change no word.
QString normalized(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x064B && u <= 0x065F) || u == 0x0670 || u == 0x0640 // tashkeel, tatweel
            || (u >= 0x200B && u <= 0x200F) || (u >= 0x202A && u <= 0x202E) // zero widths, bidi
            || (u >= 0x2066 && u <= 0x2069) || u == 0x061C || u == 0xFEFF)
            continue;
        switch (u) {
        case 0x0622: // آ
        case 0x0623: // أ
        case 0x0625: // إ
        case 0x0671: // ٱ
            out += QChar(0x0627);
            break;
        case 0x0649: // ى
        case 0x0626: // ئ: مائة and مئة also read when written ماية and مية
            out += QChar(0x064A);
            break;
        case 0x0629: // ة
            out += QChar(0x0647);
            break;
        default:
            out += c.isSpace() ? QChar(u' ') : c;
        }
    }
    return out;
}

enum class Kind {
    Unit, // 1 to 10 (11 to 19 once joined to عشر)
    TeenHead, // أحد, اثنا: only before عشر
    Ten,
    Hundred,
    Scale,
    Currency,
};

enum class Form { None, Singular, Dual, AccusativeOrConstruct, Plural };

enum Currency { Dinars = 0, Fils = 1 };

struct Word
{
    Kind kind;
    qint64 value; // for a currency noun, which currency
    Form form = Form::None;
};

const QHash<QString, Word> &vocabulary()
{
    static const QHash<QString, Word> words = [] {
        QHash<QString, Word> w;
        const auto add = [&w](const QStringList &spellings, Word word) {
            for (const QString &s : spellings) {
                Q_ASSERT(!w.contains(normalized(s)));
                w.insert(normalized(s), word);
            }
        };
        add({QStringLiteral("واحد")}, {Kind::Unit, 1});
        add({QStringLiteral("اثنان"), QStringLiteral("اثنين")}, {Kind::Unit, 2});
        add({QStringLiteral("أحد"), QStringLiteral("إحدى")}, {Kind::TeenHead, 1});
        add({QStringLiteral("اثنا"), QStringLiteral("اثني")}, {Kind::TeenHead, 2});
        // Both genders: the feminine forms also start "ثلاث مائة" and the teens.
        const QStringList units[] = {
            {QStringLiteral("ثلاثة"), QStringLiteral("ثلاث")},
            {QStringLiteral("أربعة"), QStringLiteral("أربع")},
            {QStringLiteral("خمسة"), QStringLiteral("خمس")},
            {QStringLiteral("ستة"), QStringLiteral("ست")},
            {QStringLiteral("سبعة"), QStringLiteral("سبع")},
            {QStringLiteral("ثمانية"), QStringLiteral("ثماني"), QStringLiteral("ثمان")},
            {QStringLiteral("تسعة"), QStringLiteral("تسع")},
            {QStringLiteral("عشرة"), QStringLiteral("عشر")},
        };
        for (int i = 0; i < 8; ++i)
            add(units[i], {Kind::Unit, i + 3});
        const QString tens[] = {QStringLiteral("عشر"), QStringLiteral("ثلاث"), QStringLiteral("أربع"),
                                QStringLiteral("خمس"), QStringLiteral("ست"), QStringLiteral("سبع"),
                                QStringLiteral("ثمان"), QStringLiteral("تسع")};
        for (int i = 0; i < 8; ++i)
            add({tens[i] + QStringLiteral("ون"), tens[i] + QStringLiteral("ين")}, {Kind::Ten, (i + 2) * 10});
        add({QStringLiteral("مائة"), QStringLiteral("مئة")}, {Kind::Hundred, 100});
        add({QStringLiteral("مائتان"), QStringLiteral("مئتان"), QStringLiteral("مائتا"), QStringLiteral("مئتا"),
             QStringLiteral("مائتين"), QStringLiteral("مئتين")},
            {Kind::Hundred, 200});
        const QStringList hundredHeads[] = {
            {QStringLiteral("ثلاث"), QStringLiteral("ثلث")}, {QStringLiteral("أربع")},
            {QStringLiteral("خمس")}, {QStringLiteral("ست")}, {QStringLiteral("سبع")},
            {QStringLiteral("ثمان"), QStringLiteral("ثماني")}, {QStringLiteral("تسع")},
        };
        for (int i = 0; i < 7; ++i) {
            for (const QString &head : hundredHeads[i])
                add({head + QStringLiteral("مائة"), head + QStringLiteral("مئة")}, {Kind::Hundred, (i + 3) * 100});
        }
        const auto nouns = [&add](Kind kind, qint64 value, const QString &singular, const QString &plural) {
            add({singular}, {kind, value, Form::Singular});
            add({singular + u'ا'}, {kind, value, Form::AccusativeOrConstruct});
            add({singular + QStringLiteral("ان"), singular + QStringLiteral("ين")}, {kind, value, Form::Dual});
            add({plural}, {kind, value, Form::Plural});
        };
        nouns(Kind::Scale, 1'000'000'000, QStringLiteral("مليار"), QStringLiteral("مليارات"));
        nouns(Kind::Scale, 1'000'000, QStringLiteral("مليون"), QStringLiteral("ملايين"));
        nouns(Kind::Scale, 1'000, QStringLiteral("ألف"), QStringLiteral("آلاف"));
        nouns(Kind::Currency, Dinars, QStringLiteral("دينار"), QStringLiteral("دنانير"));
        nouns(Kind::Currency, Fils, QStringLiteral("فلس"), QStringLiteral("فلوس"));
        return w;
    }();
    return words;
}

enum class Joined { No, Yes, Either };

struct Token
{
    Word word;
    Joined joined;
};

bool isTenTail(const QString &w)
{
    return w == QStringLiteral("عشر") || w == QStringLiteral("عشره");
}

// مائة and مئة as normalized() leaves them.
bool isHundredTail(const QString &w)
{
    return w == QStringLiteral("مايه") || w == QStringLiteral("ميه");
}

// Words to tokens, with و split off and the two-word teens and "ثلاث مائة" joined.
std::optional<QList<Token>> tokenize(const QStringList &words)
{
    const QHash<QString, Word> &known = vocabulary();
    QList<Token> tokens;
    bool pendingAnd = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &w = words[i];
        if (w == QStringLiteral("و")) {
            if (pendingAnd)
                return std::nullopt;
            pendingAnd = true;
            continue;
        }
        bool joined = pendingAnd;
        pendingAnd = false;
        auto found = known.constFind(w);
        if (found == known.cend() && w.size() > 1 && w.front() == u'و' && !joined) {
            found = known.constFind(w.mid(1));
            joined = true;
        }
        if (found == known.cend())
            return std::nullopt;
        Token token{*found, joined ? Joined::Yes : Joined::No};
        const bool tenFollows = i + 1 < words.size() && isTenTail(words[i + 1]);
        if (w == QStringLiteral("واحد") && tenFollows) {
            // With أ read as ا, "وأحد عشر" is "واحد عشر": the و is the conjunction where one belongs.
            token = {{Kind::Unit, 11}, joined ? Joined::Yes : Joined::Either};
            ++i;
        } else if (tenFollows && (token.word.kind == Kind::TeenHead
                                  || (token.word.kind == Kind::Unit && token.word.value >= 3
                                      && token.word.value <= 9))) {
            token.word = {Kind::Unit, token.word.value + 10};
            ++i;
        } else if (token.word.kind == Kind::TeenHead) {
            return std::nullopt;
        } else if (token.word.kind == Kind::Unit && token.word.value >= 3 && token.word.value <= 9
                   && i + 1 < words.size() && isHundredTail(words[i + 1])) {
            token.word = {Kind::Hundred, token.word.value * 100};
            ++i;
        }
        tokens << token;
    }
    if (pendingAnd)
        return std::nullopt;
    return tokens;
}

class Reader
{
public:
    explicit Reader(const QList<Token> &tokens) : m_tokens(tokens) {}

    bool atEnd() const { return m_next == m_tokens.size(); }

    // One currency with its count: "ألف ومائتان وخمسون دينارًا", "فلسان اثنان".
    std::optional<std::pair<qint64, qint64>> part(bool joined)
    {
        if (atEnd() || !joinedAs(m_tokens[m_next], joined))
            return std::nullopt;
        const Word first = m_tokens[m_next].word;
        if (first.kind == Kind::Currency) {
            ++m_next;
            if (first.form == Form::Singular) {
                skipUnit(1);
                return std::pair{first.value, qint64(1)};
            }
            if (first.form == Form::Dual || first.form == Form::AccusativeOrConstruct) {
                skipUnit(2);
                return std::pair{first.value, qint64(2)};
            }
            return std::nullopt;
        }
        const auto count = number(joined);
        if (!count || atEnd())
            return std::nullopt;
        const Token &noun = m_tokens[m_next++];
        if (noun.word.kind != Kind::Currency)
            return std::nullopt;
        if (noun.joined == Joined::Yes) {
            // "مائة ودينار واحد": a round count, and one or two more said with the noun.
            const std::optional<qint64> more = oneOrTwo(noun.word);
            if (!more || *count % 100 != 0)
                return std::nullopt;
            skipUnit(*more);
            return std::pair{noun.word.value, *count + *more};
        }
        if (noun.word.form == Form::Dual)
            return std::nullopt;
        return std::pair{noun.word.value, *count + moreOfTheSame(noun.word, *count)};
    }

private:
    // One or two of what a singular or dual noun names.
    static std::optional<qint64> oneOrTwo(const Word &noun)
    {
        if (noun.form == Form::Singular)
            return 1;
        if (noun.form == Form::Dual || noun.form == Form::AccusativeOrConstruct)
            return 2;
        return std::nullopt;
    }

    // "مائة دينار ودينار": after a round count and its noun, one or two more of the same noun.
    qint64 moreOfTheSame(const Word &noun, qint64 count)
    {
        if (count % 100 != 0 || atEnd())
            return 0;
        const Token &next = m_tokens[m_next];
        if (next.joined != Joined::Yes || next.word.kind != Kind::Currency || next.word.value != noun.value)
            return 0;
        const std::optional<qint64> more = oneOrTwo(next.word);
        if (!more)
            return 0;
        ++m_next;
        skipUnit(*more);
        return *more;
    }

    static bool joinedAs(const Token &token, bool joined)
    {
        return token.joined == Joined::Either || (token.joined == Joined::Yes) == joined;
    }

    // "دينار واحد", "ديناران اثنان"
    void skipUnit(qint64 value)
    {
        if (!atEnd() && m_tokens[m_next].word.kind == Kind::Unit && m_tokens[m_next].word.value == value
            && m_tokens[m_next].joined == Joined::No)
            ++m_next;
    }

    // Hundreds, then units and tens, then the scale they count, each part after و, the
    // scales from the largest down; joined: whether the first word has its و.
    std::optional<qint64> number(bool joined)
    {
        enum class Stage { Empty, Hundreds, Units, Closed, Ended };
        qint64 total = 0;
        qint64 group = 0; // the count below a thousand not yet given its scale
        Stage stage = Stage::Empty;
        qint64 ceiling = largestPart + 1; // the next scale must be smaller
        qint64 lastCount = 0;             // what the last scale counted
        bool sameScaleAgain = false;      // "مائة ألف وألف": once
        bool first = true;
        for (; !atEnd() && m_tokens[m_next].word.kind != Kind::Currency; ++m_next, first = false) {
            const Token &token = m_tokens[m_next];
            const Word &w = token.word;
            if (stage == Stage::Ended)
                return std::nullopt;
            // Hundreds, then a thousand or two, read upwards as older writing has it:
            // "مائة وألف" is 1,100.
            if (w.kind == Kind::Scale && stage == Stage::Hundreds && ceiling > largestPart && !first
                && token.joined == Joined::Yes && (w.form == Form::Singular || w.form == Form::Dual)) {
                total = group + (w.form == Form::Singular ? 1 : 2) * w.value;
                group = 0;
                stage = Stage::Ended;
                continue;
            }
            // A round count of a scale, then one or two more of it: "مائة ألف وألف".
            if (w.kind == Kind::Scale && w.value == ceiling && stage == Stage::Empty && !sameScaleAgain
                && lastCount % 100 == 0 && token.joined == Joined::Yes
                && (w.form == Form::Singular || w.form == Form::Dual)) {
                total += (w.form == Form::Singular ? 1 : 2) * w.value;
                sameScaleAgain = true;
                continue;
            }
            const bool counts = w.kind == Kind::Scale && group > 0; // "خمسة آلاف": no و between
            if (!joinedAs(token, first ? joined : !counts))
                return std::nullopt;
            switch (w.kind) {
            case Kind::Hundred:
                if (stage != Stage::Empty)
                    return std::nullopt;
                group = w.value;
                stage = Stage::Hundreds;
                break;
            case Kind::Unit:
                if (stage != Stage::Empty && stage != Stage::Hundreds)
                    return std::nullopt;
                group += w.value;
                stage = w.value <= 9 ? Stage::Units : Stage::Closed;
                break;
            case Kind::Ten:
                if (stage == Stage::Closed)
                    return std::nullopt;
                group += w.value;
                stage = Stage::Closed;
                break;
            case Kind::Scale: {
                if (w.value >= ceiling || (counts && w.form == Form::Dual))
                    return std::nullopt;
                qint64 count = group;
                if (!counts) {
                    if (w.form == Form::Plural)
                        return std::nullopt;
                    count = w.form == Form::Singular ? 1 : 2;
                }
                total += count * w.value;
                lastCount = count;
                group = 0;
                stage = Stage::Empty;
                ceiling = w.value;
                sameScaleAgain = false;
                break;
            }
            default:
                return std::nullopt;
            }
        }
        if (first)
            return std::nullopt;
        return total + group;
    }

    const QList<Token> &m_tokens;
    qsizetype m_next = 0;
};

} // namespace

QString amountInWords(qint64 dinars, qint64 fils)
{
    if (dinars < 0 || fils < 0 || dinars > largestPart || fils > largestPart || (dinars == 0 && fils == 0))
        return QString();
    QStringList parts;
    if (dinars > 0)
        parts << counted(dinars, dinarNoun(), false);
    if (fils > 0)
        parts << counted(fils, filsNoun(), false);
    return QStringLiteral("فقط ") + parts.join(conjunction) + QStringLiteral(" لا غير");
}

bool wordsContradict(const QString &words, qint64 dinars, qint64 fils)
{
    const auto read = readAmountWords(words);
    return read && *read != std::pair(dinars, fils);
}

std::optional<std::pair<qint64, qint64>> readAmountWords(const QString &text)
{
    QStringList words = normalized(text).split(u' ', Qt::SkipEmptyParts);
    // The frame, "فقط … لا غير"; "فقط" also stands at the end: "ألف دينار فقط لا غير".
    if (!words.isEmpty() && words.front() == QStringLiteral("فقط"))
        words.removeFirst();
    if (words.size() >= 2 && words.last() == QStringLiteral("غير") && words[words.size() - 2] == QStringLiteral("لا"))
        words.resize(words.size() - 2);
    else if (!words.isEmpty() && words.last() == QStringLiteral("لاغير"))
        words.removeLast();
    if (!words.isEmpty() && words.last() == QStringLiteral("فقط"))
        words.removeLast();

    const auto tokens = tokenize(words);
    if (!tokens || tokens->isEmpty())
        return std::nullopt;
    Reader reader(*tokens);
    qint64 amount[2] = {0, 0};
    int nextCurrency = Dinars; // dinars, then fils
    for (bool joined = false; !reader.atEnd(); joined = true) {
        const auto part = reader.part(joined);
        if (!part || part->first < nextCurrency)
            return std::nullopt;
        amount[part->first] = part->second;
        nextCurrency = int(part->first) + 1;
    }
    return std::pair{amount[Dinars], amount[Fils]};
}

} // namespace dalil
