// The appointment book as iCalendar events on the server, one event an object. A recurring
// event is read as its occurrences and never written back.
#include "contentlines.h"
#include "formats.h"

#include "data/exchange/exchange.h"
#include "data/exchange/icalendar.h"

#include <QBuffer>
#include <QTimeZone>

namespace dalil::Sync {

namespace Columns = Exchange::NoteColumns;

namespace {

// The properties each part of an appointment is written in: its date and time, its text.
const QStringList whenProperties{QStringLiteral("DTSTART"),         QStringLiteral("DTEND"),
                                 QStringLiteral("DURATION"),        QStringLiteral("X-DALIL-WEEKDAY"),
                                 QStringLiteral("X-DALIL-DAY"),     QStringLiteral("X-DALIL-MONTH"),
                                 QStringLiteral("X-DALIL-YEAR"),    QStringLiteral("X-DALIL-TIME")};
const QStringList textProperties{QStringLiteral("SUMMARY"), QStringLiteral("X-DALIL-TEXT")};

bool recurs(const ContentLines &calendar)
{
    int events = 0;
    for (const ContentLine &line : calendar.lines) {
        if (line.name == u"BEGIN" && line.value.trimmed().compare(QLatin1String("VEVENT"), Qt::CaseInsensitive) == 0)
            ++events;
        if (line.name == u"RRULE" || line.name == u"RDATE" || line.name == u"RECURRENCE-ID")
            return true;
    }
    // Several events in one object are a series and its exceptions.
    return events > 1;
}

class EventFormat : public Format
{
public:
    QString book() const override { return QStringLiteral("Note"); }
    CollectionKind kind() const override { return CollectionKind::Calendar; }
    QString extension() const override { return QStringLiteral(".ics"); }
    QStringList columns() const override { return Exchange::columns(book()); }

    ReadObject read(const QByteArray &object, QDate from, QDate to) const override
    {
        ReadObject read;
        const ContentLines calendar = ContentLines::parse(object);
        const auto [begin, end] = calendar.component(QStringLiteral("VEVENT"));
        if (begin < 0)
            return read;
        if (const int uid = calendar.find(QStringLiteral("UID"), begin); uid >= 0)
            read.uid = unescapeText(calendar.lines.at(uid).value).trimmed();
        read.series = recurs(calendar);
        QByteArray text = object;
        QBuffer buffer(&text);
        buffer.open(QIODevice::ReadOnly);
        const auto reader = ICalendar::reader(&buffer, from, to, QTimeZone::systemTimeZone(), false);
        Values record;
        while (reader->next(record)) {
            if (read.series) {
                const QDate day(textOf(record, Columns::year).toInt(), textOf(record, Columns::month).toInt(),
                                textOf(record, Columns::day).toInt());
                read.startsAt << day.toString(Qt::ISODate) + u' ' + textOf(record, Columns::time);
            }
            read.records << record;
            record.clear();
        }
        if (reader->problem().isProblem()) {
            read.records.clear();
            read.startsAt.clear();
        }
        if (!read.series && read.records.size() > 1)
            read.records = read.records.mid(0, 1);
        return read;
    }

    std::optional<QByteArray> create(const Values &record, const QString &uid) const override
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        const auto writer = ICalendar::writer(&buffer, QTimeZone::systemTimeZone());
        if (!writer->write(record) || !writer->finish() || writer->skipped() > 0)
            return std::nullopt;
        ContentLines calendar = ContentLines::parse(buffer.data());
        const auto [begin, end] = calendar.component(QStringLiteral("VEVENT"));
        const int line = begin < 0 ? -1 : calendar.find(QStringLiteral("UID"), begin);
        if (line < 0)
            return std::nullopt;
        calendar.lines[line] = makeLine({}, QStringLiteral("UID"), {}, escapeText(uid));
        return calendar.text();
    }

    std::optional<QByteArray> patch(const QByteArray &object, const Values &record,
                                    const QStringList &changed) const override
    {
        ContentLines server = ContentLines::parse(object);
        const auto [begin, end] = server.component(QStringLiteral("VEVENT"));
        if (begin < 0 || recurs(server))
            return std::nullopt;
        const std::optional<QByteArray> written = create(record, QStringLiteral("-"));
        if (!written)
            return std::nullopt;
        const ContentLines fresh = ContentLines::parse(*written);
        const int freshBegin = fresh.component(QStringLiteral("VEVENT")).first;

        QStringList replaced{QStringLiteral("DTSTAMP")};
        if (changed.contains(Columns::text))
            replaced << textProperties;
        if (changed.size() > changed.contains(Columns::text))
            replaced << whenProperties;
        // The event's own lines of those names go, the fresh ones come in before its alarms.
        QList<ContentLine> event;
        int insertAt = -1;
        int depth = 0;
        for (int i = begin + 1; i < end; ++i) {
            const ContentLine &line = server.lines.at(i);
            if (line.name == u"BEGIN" && depth++ == 0 && insertAt < 0)
                insertAt = int(event.size());
            if (line.name == u"END")
                --depth;
            if (depth == 0 && line.name != u"END" && replaced.contains(line.name))
                continue;
            event << line;
        }
        if (insertAt < 0)
            insertAt = int(event.size());
        QList<ContentLine> incoming;
        for (int i = freshBegin + 1; i < fresh.lines.size() && fresh.lines.at(i).name != u"END"; ++i) {
            if (replaced.contains(fresh.lines.at(i).name))
                incoming << fresh.lines.at(i);
        }
        event = event.mid(0, insertAt) + incoming + event.mid(insertAt);
        server.lines = server.lines.mid(0, begin + 1) + event + server.lines.mid(end);
        return server.text();
    }
};

} // namespace

const Format &Format::note()
{
    static const EventFormat format;
    return format;
}

} // namespace dalil::Sync
