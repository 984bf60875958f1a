#include "clocktime.h"

#include "digits.h"

#include <array>

namespace dalil::ClockTime {

namespace {

enum class Period { None, Morning, Evening, Noon, Night };

// The text without what does not change its reading: blanks, direction marks, tatweel and
// short vowels; digits made Western, the separators made ':', Latin letters made small.
QString compacted(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (c.isSpace() || u == 0x200B || u == 0x200C || u == 0x200D || u == 0x200E || u == 0x200F || u == 0x061C
            || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069) || u == 0x0640
            || (u >= 0x064B && u <= 0x065F) || u == 0x0670)
            continue;
        if (digitValue(c) >= 0)
            out += latinDigit(c);
        else if (u == u':' || u == 0x066B || u == 0x2236 || u == u'.')
            out += u':';
        else if (u >= u'A' && u <= u'Z')
            out += QChar(u + (u'a' - u'A'));
        else
            out += c;
    }
    return out;
}

Period periodOf(QStringView word)
{
    struct Word
    {
        const char16_t *text;
        Period period;
    };
    static constexpr std::array words{
        Word{u"ص", Period::Morning},
        Word{u"صباحا", Period::Morning},
        Word{u"صباح", Period::Morning},
        Word{u"فجرا", Period::Morning},
        Word{u"فجر", Period::Morning},
        Word{u"قبلالظهر", Period::Morning},
        Word{u"am", Period::Morning},
        Word{u"a:m:", Period::Morning},
        Word{u"a:m", Period::Morning},
        Word{u"م", Period::Evening},
        Word{u"مساء", Period::Evening},
        Word{u"مساءا", Period::Evening},
        Word{u"عصرا", Period::Evening},
        Word{u"عصر", Period::Evening},
        Word{u"بعدالظهر", Period::Evening},
        Word{u"بعدالظهيرة", Period::Evening},
        Word{u"pm", Period::Evening},
        Word{u"p:m:", Period::Evening},
        Word{u"p:m", Period::Evening},
        Word{u"ظهرا", Period::Noon},
        Word{u"ظهر", Period::Noon},
        Word{u"ليلا", Period::Night},
        Word{u"ليل", Period::Night},
    };
    for (const Word &w : words) {
        if (word == QStringView(w.text))
            return w.period;
    }
    return Period::None;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

std::optional<QTime> read(const QString &text)
{
    QString s = compacted(text);
    for (const QStringView lead : {QStringView(u"الساعة"), QStringView(u"الساعه")}) {
        if (s.startsWith(lead)) {
            s.remove(0, lead.size());
            break;
        }
    }

    // The clock's numbers are one run of digits and separators; a word may stand on one side.
    qsizetype from = 0;
    while (from < s.size() && !isDigit(s[from]))
        ++from;
    qsizetype to = from;
    while (to < s.size() && (isDigit(s[to]) || s[to] == u':'))
        ++to;
    if (from == s.size())
        return std::nullopt;
    const QStringView before = QStringView(s).left(from);
    const QStringView after = QStringView(s).mid(to);
    if (!before.isEmpty() && !after.isEmpty())
        return std::nullopt;
    const QStringView word = before.isEmpty() ? after : before;
    const Period period = word.isEmpty() ? Period::None : periodOf(word);
    if (!word.isEmpty() && period == Period::None)
        return std::nullopt;

    const QStringView clock = QStringView(s).mid(from, to - from);
    const auto fields = clock.split(u':');
    if (fields.size() > 3 || fields[0].isEmpty() || fields[0].size() > 2)
        return std::nullopt;
    for (qsizetype i = 1; i < fields.size(); ++i) {
        if (fields[i].size() != 2)
            return std::nullopt;
    }
    int hour = fields[0].toInt();
    const int minute = fields.size() > 1 ? fields[1].toInt() : 0;
    const int second = fields.size() > 2 ? fields[2].toInt() : 0;
    if (minute > 59 || second > 59)
        return std::nullopt;

    switch (period) {
    case Period::None:
        if (hour > 23 || (fields.size() == 1 && hour >= 1 && hour <= 12))
            return std::nullopt;
        break;
    case Period::Morning:
        if (hour > 12)
            return std::nullopt;
        if (hour == 12)
            hour = 0;
        break;
    case Period::Evening:
        if (hour == 0 || hour > 23)
            return std::nullopt;
        if (hour < 12)
            hour += 12;
        break;
    case Period::Noon:
        if (hour >= 1 && hour <= 5)
            hour += 12;
        else if (hour != 11 && hour != 12)
            return std::nullopt;
        break;
    case Period::Night:
        if (hour == 12)
            hour = 0;
        else if (hour >= 6 && hour <= 11)
            hour += 12;
        else if (hour < 1 || hour > 5)
            return std::nullopt;
        break;
    }
    return QTime(hour, minute, second);
}

QString text(QTime time)
{
    if (!time.isValid())
        return {};
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    QString out = QString::number(hour12) + u':' + QString::number(time.minute()).rightJustified(2, u'0');
    if (time.second() != 0)
        out += u':' + QString::number(time.second()).rightJustified(2, u'0');
    out += time.hour() < 12 ? QStringLiteral(" ص") : QStringLiteral(" م");
    return out;
}

} // namespace dalil::ClockTime
