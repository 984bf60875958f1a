#include "icalendarevent.h"

#include "data/text/clocktime.h"
#include "data/text/dates.h"

namespace dalil::ICalendar {

namespace Columns = Exchange::NoteColumns;

namespace Events {

const std::array<Carried, 6> carried{{
    {Columns::weekday, Properties::weekday},
    {Columns::day, Properties::day},
    {Columns::month, Properties::month},
    {Columns::year, Properties::year},
    {Columns::time, Properties::time},
    {Columns::text, Properties::text},
}};

QString text(const char *utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

Records::Values derived(const Start &start, const QString &summary)
{
    Records::Values record;
    record.insert(Columns::weekday, Records::valueForText(Dates::weekdayName(start.date)));
    record.insert(Columns::day, QString::number(start.date.day()));
    record.insert(Columns::month, QString::number(start.date.month()));
    record.insert(Columns::year, QString::number(start.date.year()));
    record.insert(Columns::time, Records::valueForText(start.time ? ClockTime::text(*start.time) : QString()));
    record.insert(Columns::text, Records::valueForText(summary));
    return record;
}

QString eventText(icalcomponent *event, const QString &timeText, bool *more, bool details)
{
    QString summary;
    if (icalproperty *p = icalcomponent_get_first_property(event, ICAL_SUMMARY_PROPERTY))
        summary = text(icalproperty_get_summary(p));
    QString description;
    if (icalproperty *p = icalcomponent_get_first_property(event, ICAL_DESCRIPTION_PROPERTY))
        description = text(icalproperty_get_description(p));
    QString location;
    if (icalproperty *p = icalcomponent_get_first_property(event, ICAL_LOCATION_PROPERTY))
        location = text(icalproperty_get_location(p));
    if (summary.isEmpty())
        std::swap(summary, description);
    else if (!timeText.isEmpty() && description == timeText)
        description.clear();
    if (!details) {
        description.clear();
        location.clear();
    }
    QStringList lines;
    if (!summary.isEmpty())
        lines << summary;
    if (!description.isEmpty())
        lines << QStringLiteral("الوصف: ") + description;
    if (!location.isEmpty())
        lines << QStringLiteral("المكان: ") + location;
    if (more)
        *more = !description.isEmpty() || !location.isEmpty();
    return lines.join(u'\n');
}

std::optional<QString> carriedText(icalcomponent *event, const char *property)
{
    for (icalproperty *p = icalcomponent_get_first_property(event, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_X_PROPERTY)) {
        const char *name = icalproperty_get_x_name(p);
        if (name && qstricmp(name, property) == 0)
            return unescaped(text(icalproperty_get_x(p)));
    }
    return std::nullopt;
}

void applyCarried(icalcomponent *event, Records::Values &record)
{
    for (icalproperty *p = icalcomponent_get_first_property(event, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_X_PROPERTY)) {
        const char *name = icalproperty_get_x_name(p);
        for (const Carried &c : carried) {
            if (name && qstricmp(name, c.property) == 0) {
                if (const auto stored = unescaped(text(icalproperty_get_x(p))))
                    record.insert(c.column, Records::valueForText(*stored));
            }
        }
    }
}

} // namespace Events

QString escaped(const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral("%");
    QString out;
    out.reserve(text.size());
    const auto code = [&](char16_t u, int digits) {
        out += u'%';
        if (digits == 4)
            out += u'u';
        out += QString::number(u, 16).toUpper().rightJustified(digits, u'0');
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        const bool edgeSpace = u == u' ' && (i == 0 || i == text.size() - 1);
        if (u < 0x20 || u == 0x7f || u == u'%' || u == u'\\' || u == u';' || u == u',' || edgeSpace) {
            code(u, 2);
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else if (c.isSurrogate()) {
            code(u, 4);
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<QString> unescaped(const QString &text)
{
    if (text == QLatin1String("%"))
        return QString();
    const auto hex = [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
    };
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'%') {
            out += text[i];
            continue;
        }
        const bool wide = i + 1 < text.size() && text[i + 1] == u'u';
        const qsizetype digits = wide ? 4 : 2;
        const qsizetype at = wide ? i + 2 : i + 1;
        if (at + digits > text.size() || !std::all_of(text.begin() + at, text.begin() + at + digits, hex))
            return std::nullopt;
        out += QChar(char16_t(QStringView(text).mid(at, digits).toUInt(nullptr, 16)));
        i = at + digits - 1;
    }
    return out;
}

} // namespace dalil::ICalendar
