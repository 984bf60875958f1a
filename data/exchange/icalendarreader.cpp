#include "icalendar.h"

#include "data/text/clocktime.h"
#include "icalendarevent.h"
#include "data/text/counts.h"
#include "data/text/dates.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QStringDecoder>

#include <deque>
#include <map>

namespace dalil::ICalendar {

using namespace Events;
using Records::Values;

namespace {

// The longest event (its lines together) the reader holds; past it the file is refused there.
constexpr qint64 longestEvent = 8 * Exchange::longestLine;
// The most occurrences a recurrence rule is followed through, in range or not, for one event.
constexpr int longestRecurrence = 1'000'000;

// What libical owns, let go when the holder goes.
struct TimeZoneFree
{
    void operator()(icaltimezone *z) const { icaltimezone_free(z, 1); }
};
using TimeZone = std::unique_ptr<icaltimezone, TimeZoneFree>;
struct IteratorFree
{
    void operator()(icalrecur_iterator *i) const { icalrecur_iterator_free(i); }
};
using Iterator = std::unique_ptr<icalrecur_iterator, IteratorFree>;

QString lineProblem(qint64 line, const QString &what)
{
    return QStringLiteral("السطر %1: %2").arg(line).arg(what);
}

// What libical could not read in an event's own properties (its alarms do not matter here).
// An empty value and a property of a name libical does not know are valid iCalendar that
// libical drops with an error note: they are no fault of the event.
QString parseError(icalcomponent *event)
{
    for (icalproperty *p = icalcomponent_get_first_property(event, ICAL_XLICERROR_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_XLICERROR_PROPERTY)) {
        const QString message = text(icalproperty_get_xlicerror(p));
        icalparameter *type = icalproperty_get_first_parameter(p, ICAL_XLICERRORTYPE_PARAMETER);
        const bool unknownName =
            type && icalparameter_get_xlicerrortype(type) == ICAL_XLICERRORTYPE_PROPERTYPARSEERROR;
        if (!unknownName && !message.startsWith(QLatin1String("No value for")))
            return message.trimmed();
    }
    return {};
}

QString tzidOf(icalproperty *p)
{
    icalparameter *tzid = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
    return tzid ? text(icalparameter_get_tzid(tzid)) : QString();
}


// A content line's form (RFC 5545, 3.1): a name, parameters each with a value, ':' and the
// value. libical passes over some malformed lines without a word; they are refused here.
bool wellFormed(const QByteArray &line)
{
    const auto isNameChar = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
    };
    qsizetype i = 0;
    const auto name = [&] {
        const qsizetype from = i;
        while (i < line.size() && isNameChar(line[i]))
            ++i;
        return i > from;
    };
    if (!name())
        return false;
    while (i < line.size() && line[i] == ';') {
        ++i;
        if (!name() || i >= line.size() || line[i] != '=')
            return false;
        do {
            ++i;
            if (i < line.size() && line[i] == '"') {
                const qsizetype close = line.indexOf('"', i + 1);
                if (close < 0)
                    return false;
                i = close + 1;
            } else {
                while (i < line.size() && line[i] != ';' && line[i] != ':' && line[i] != ',' && line[i] != '"')
                    ++i;
            }
        } while (i < line.size() && line[i] == ',');
    }
    return i < line.size() && line[i] == ':';
}

class Reader final : public Exchange::RecordReader
{
public:
    Reader(QIODevice *in, QDate from, QDate to, const QTimeZone &zone, bool details)
        : m_in(in), m_from(from), m_to(to), m_zone(zone), m_details(details)
    {
    }

    bool next(Values &record) override
    {
        if (!m_scanned) {
            m_scanned = true;
            scanMoved();
        }
        while (!m_problem.isProblem()) {
            if (nextOccurrence(record))
                return true;
            QByteArray line;
            qint64 number = 0;
            if (!logicalLine(line, number))
                return false;
            take(line, number);
        }
        return false;
    }

    Exchange::Problem problem() const override { return m_problem; }
    qint64 position() const override { return m_position; }

    QStringList notices() const override
    {
        QStringList out;
        for (const QString &tzid : m_unknownZones)
            out += QStringLiteral("منطقة زمنية غير معروفة (%1): أُخذت أوقاتها بالتوقيت المحلي").arg(tzid);
        if (m_otherComponents > 0)
            out += QStringLiteral("%1 من عناصر التقويم ليست مواعيد (مهام أو يوميات) لم تستورد").arg(m_otherComponents);
        if (m_cutRecurrences > 0)
            out += QStringLiteral("%1 من المواعيد المتكررة توقف تكرارها عند %2")
                       .arg(QString::number(m_cutRecurrences), Counts::text(longestRecurrence, Counts::time(), Counts::Case::Oblique));
        if (m_eventsWithMore > 0)
            out += QStringLiteral("مواعيد حفظ في نصها الوصف أو المكان أو المدة: %1").arg(m_eventsWithMore);
        if (m_cancelled > 0)
            out += QStringLiteral("%1 من مرات المواعيد المتكررة ملغاة لم تستورد").arg(m_cancelled);
        if (m_alarms > 0)
            out += QStringLiteral("%1 من التنبيهات لم تستورد: ينبّه البرنامج بتذكيره هو").arg(m_alarms);
        if (m_endTimes > 0)
            out += QStringLiteral("%1 من المواعيد لم تحفظ ساعة انتهائها").arg(m_endTimes);
        return out;
    }

private:
    // The block of a component inside the calendar, collected until its END.
    struct Block
    {
        QByteArray name;
        QByteArray lines;
        qint64 firstLine = 0;
        qint64 startLine = 0; // the DTSTART line of an event
    };

    // The occurrences of the event being read, given one at a time.
    struct Occurrences
    {
        QString uid;
        QString summary;
        icaltimetype start{};
        QString tzid;
        Iterator rule;
        std::deque<std::pair<icaltimetype, QString>> dates; // DTSTART when no rule, and the RDATEs, with TZID
        QSet<QDateTime> excluded;
        int followed = 0;
    };

    void fail(qint64 line, const QString &what)
    {
        if (!m_problem.isProblem())
            m_problem = {line, line > 0 ? lineProblem(line, what) : what};
    }

    // One physical line without its end, or false at the end of the input.
    bool physicalLine(QByteArray &line)
    {
        if (m_in->atEnd())
            return false;
        // In pieces, so that a line holds only what it has, and no more than the longest.
        line.clear();
        ++m_physical;
        for (;;) {
            const qint64 got = m_in->readLine(m_piece.data(), m_piece.size());
            if (got <= 0)
                break;
            m_position += got;
            line.append(m_piece.constData(), got);
            if (line.endsWith('\n') || line.size() > Exchange::longestLine + 2)
                break;
        }
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() > Exchange::longestLine) {
            fail(m_physical, QStringLiteral("سطر أطول مما يقرأ البرنامج"));
            return false;
        }
        if (m_physical == 1 && line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        return true;
    }

    // One content line with its folded continuations, and the number of its first line.
    bool logicalLine(QByteArray &line, qint64 &number)
    {
        for (;;) {
            if (!m_hasAhead && !(m_hasAhead = physicalLine(m_ahead)))
                break;
            if (!m_ahead.isEmpty())
                break;
            m_hasAhead = false; // blank lines are passed over
        }
        if (!m_hasAhead) {
            if (!m_problem.isProblem())
                ended();
            return false;
        }
        line = std::move(m_ahead);
        number = m_physical;
        m_hasAhead = false;
        while ((m_hasAhead = physicalLine(m_ahead)) && (m_ahead.startsWith(' ') || m_ahead.startsWith('\t'))) {
            line.append(QByteArrayView(m_ahead).sliced(1));
            m_hasAhead = false;
            if (line.size() > Exchange::longestLine) {
                fail(number, QStringLiteral("سطر أطول مما يقرأ البرنامج"));
                return false;
            }
        }
        if (m_problem.isProblem())
            return false;
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString decoded = utf8(line);
        if (utf8.hasError()) {
            fail(number, QStringLiteral("نص ليس بترميز UTF-8"));
            return false;
        }
        if (!wellFormed(line)) {
            fail(number, QStringLiteral("سطر لا يُقرأ في التقويم: %1").arg(decoded.left(80)));
            return false;
        }
        return true;
    }

    void ended()
    {
        if (!m_open.isEmpty()) {
            const auto &[name, line] = m_open.last();
            fail(line, QStringLiteral("BEGIN:%1 دون END:%1").arg(QString::fromUtf8(name)));
        } else if (!m_seenCalendar) {
            fail(m_physical > 0 ? 1 : 0, QStringLiteral("الملف ليس تقويماً (لا يبدأ بـ BEGIN:VCALENDAR)"));
        }
    }

    // Takes one content line: opens and closes components, collects the blocks inside the calendar.
    void take(const QByteArray &line, qint64 number)
    {
        const qsizetype colon = line.indexOf(':');
        qsizetype nameEnd = 0;
        while (nameEnd < colon && line[nameEnd] != ';')
            ++nameEnd;
        const QByteArray name = line.left(nameEnd).toUpper();
        const QByteArray value = line.mid(colon + 1).trimmed().toUpper();
        if (m_open.isEmpty() && !(name == "BEGIN" && value == "VCALENDAR")) {
            fail(number, QStringLiteral("الملف ليس تقويماً (لا يبدأ بـ BEGIN:VCALENDAR)"));
            return;
        }
        if (name == "BEGIN") {
            m_open.append({value, number});
            m_seenCalendar = true;
            if (m_open.size() == 2)
                m_block = {value, {}, number, 0};
        }
        if (m_open.size() >= 2) {
            m_block.lines += line;
            m_block.lines += "\r\n";
            if (m_open.size() == 2 && name == "DTSTART" && m_block.startLine == 0)
                m_block.startLine = number;
            if (m_block.lines.size() > longestEvent) {
                fail(m_block.firstLine, QStringLiteral("عنصر في التقويم أطول مما يقرأ البرنامج"));
                return;
            }
        }
        if (name == "END") {
            if (m_open.isEmpty() || m_open.last().first != value) {
                fail(number, QStringLiteral("END:%1 دون BEGIN:%1").arg(QString::fromUtf8(value)));
                return;
            }
            m_open.removeLast();
            if (m_open.size() == 1)
                closed();
        }
    }

    void closed()
    {
        Block block = std::move(m_block);
        m_block = {};
        if (block.name == "VTIMEZONE")
            addZone(block);
        else if (block.name == "VEVENT")
            readEvent(block);
        else
            ++m_otherComponents;
    }

    // A time zone of the file, for the events after it; one libical cannot read is passed over
    // (its times then go by the Olson name, or local time).
    void addZone(const Block &block)
    {
        Component c(icalparser_parse_string(block.lines.constData()));
        if (!c || icalcomponent_isa(c.get()) != ICAL_VTIMEZONE_COMPONENT)
            return;
        icalproperty *id = icalcomponent_get_first_property(c.get(), ICAL_TZID_PROPERTY);
        const QString tzid = id ? text(icalproperty_get_tzid(id)) : QString();
        if (tzid.isEmpty())
            return;
        TimeZone zone(icaltimezone_new());
        if (!icaltimezone_set_component(zone.get(), c.get()))
            return;
        c.release(); // the zone holds it now
        m_zones[tzid] = std::move(zone);
    }

    // A time of the file, given with its TZID (or UTC, or floating), in the reader's zone.
    std::optional<Start> placed(icaltimetype t, const QString &tzid)
    {
        const QDate date(t.year, t.month, t.day);
        if (!date.isValid())
            return std::nullopt;
        if (t.is_date)
            return Start{date, std::nullopt};
        const QTime time(t.hour, t.minute, t.second);
        if (!time.isValid())
            return std::nullopt;
        QDateTime at;
        if (icaltime_is_utc(t)) {
            at = QDateTime(date, time, QTimeZone::utc());
        } else if (!tzid.isEmpty()) {
            if (const auto found = m_zones.find(tzid); found != m_zones.end()) {
                icaltimetype utc = t;
                utc.zone = nullptr;
                icaltimezone_convert_time(&utc, found->second.get(), icaltimezone_get_utc_timezone());
                at = QDateTime(QDate(utc.year, utc.month, utc.day), QTime(utc.hour, utc.minute, utc.second),
                               QTimeZone::utc());
            } else if (const QTimeZone olson(tzid.toUtf8()); olson.isValid()) {
                at = QDateTime(date, time, olson);
            } else {
                m_unknownZones.insert(tzid);
            }
        }
        if (!at.isValid())
            return Start{date, time}; // floating: the reader's own time
        const QDateTime local = at.toTimeZone(m_zone);
        return Start{local.date(), local.time()};
    }

    // The occurrences of recurring events that the file moves or cancels with an event of their
    // own (the same UID, a RECURRENCE-ID), looked for before the file is read, so that the
    // recurring event leaves them out wherever the file puts the event that replaces it. Only
    // the file's own lines are looked at; a device read once (not seekable) is not.
    void scanMoved()
    {
        if (m_in->isSequential())
            return;
        const qint64 start = m_in->pos();
        int depth = 0;
        bool inEvent = false;
        QByteArray uidLine, movedLine, logical;
        const auto take = [&](const QByteArray &line) {
            const QByteArray upper = line.left(16).toUpper();
            if (upper.startsWith("BEGIN:")) {
                ++depth;
                inEvent = depth == 2 && line.mid(6).trimmed().toUpper() == "VEVENT";
                uidLine.clear();
                movedLine.clear();
            } else if (upper.startsWith("END:")) {
                if (inEvent && depth == 2 && !uidLine.isEmpty() && !movedLine.isEmpty())
                    noteMoved(uidLine, movedLine);
                inEvent = false;
                --depth;
            } else if (inEvent && depth == 2 && (upper.startsWith("UID:") || upper.startsWith("UID;"))) {
                uidLine = line;
            } else if (inEvent && depth == 2 && upper.startsWith("RECURRENCE-ID")) {
                movedLine = line;
            }
        };
        QByteArray piece(64 * 1024, Qt::Uninitialized);
        qint64 lines = 0;
        for (;;) {
            QByteArray line;
            qint64 got = 0;
            while ((got = m_in->readLine(piece.data(), piece.size())) > 0 && line.size() <= Exchange::longestLine) {
                line.append(piece.constData(), got);
                if (line.endsWith('\n'))
                    break;
            }
            if (line.isEmpty() || line.size() > Exchange::longestLine || m_moved.size() > 100'000)
                break;
            if (++lines == 1 && line.startsWith("\xEF\xBB\xBF"))
                line.remove(0, 3);
            while (line.endsWith('\n') || line.endsWith('\r'))
                line.chop(1);
            if (line.startsWith(' ') || line.startsWith('\t')) {
                logical.append(line.constData() + 1, line.size() - 1);
                if (logical.size() > Exchange::longestLine)
                    break;
                continue;
            }
            if (!logical.isEmpty())
                take(logical);
            logical = line;
        }
        if (!logical.isEmpty())
            take(logical);
        m_in->seek(start);
    }

    void noteMoved(const QByteArray &uidLine, const QByteArray &movedLine)
    {
        icalproperty *uid = icalproperty_new_from_string(uidLine.constData());
        icalproperty *moved = icalproperty_new_from_string(movedLine.constData());
        if (uid && moved && icalproperty_isa(uid) == ICAL_UID_PROPERTY
            && icalproperty_isa(moved) == ICAL_RECURRENCEID_PROPERTY) {
            const QString key = carriedUid(text(icalproperty_get_uid(uid)));
            if (!key.isEmpty())
                m_moved[key] << std::pair(icalproperty_get_recurrenceid(moved), tzidOf(moved));
        }
        if (uid)
            icalproperty_free(uid);
        if (moved)
            icalproperty_free(moved);
    }

    void readEvent(const Block &block)
    {
        Component event(icalparser_parse_string(block.lines.constData()));
        if (!event || icalcomponent_isa(event.get()) != ICAL_VEVENT_COMPONENT) {
            fail(block.firstLine, QStringLiteral("حدث لا يُقرأ"));
            return;
        }
        if (const QString error = parseError(event.get()); !error.isEmpty()) {
            fail(block.firstLine, QStringLiteral("حدث لا يُقرأ: %1").arg(error));
            return;
        }
        icalproperty *dtstart = icalcomponent_get_first_property(event.get(), ICAL_DTSTART_PROPERTY);
        if (!dtstart) {
            fail(block.firstLine, QStringLiteral("حدث بلا بداية (DTSTART)"));
            return;
        }
        Occurrences o;
        o.start = icalproperty_get_dtstart(dtstart);
        o.tzid = tzidOf(dtstart);
        const auto first = placed(o.start, o.tzid);
        if (!first) {
            fail(block.startLine, QStringLiteral("بداية الحدث (DTSTART) لا تُقرأ"));
            return;
        }
        o.uid = carriedUid(text(icalcomponent_get_uid(event.get())));
        for (icalcomponent *alarm = icalcomponent_get_first_component(event.get(), ICAL_VALARM_COMPONENT); alarm;
             alarm = icalcomponent_get_next_component(event.get(), ICAL_VALARM_COMPONENT))
            ++m_alarms;
        icalproperty *rrule = icalcomponent_get_first_property(event.get(), ICAL_RRULE_PROPERTY);
        icalproperty *rdate = icalcomponent_get_first_property(event.get(), ICAL_RDATE_PROPERTY);
        const bool recurs = rrule || rdate;
        const QString timeText = carriedText(event.get(), Properties::time).value_or(QString());
        bool more = false;
        o.summary = eventText(event.get(), timeText, &more, m_details);
        if (const QString length = m_details ? lengthLine(event.get(), o.start, *first, recurs) : QString();
            !length.isEmpty()) {
            o.summary += (o.summary.isEmpty() ? QString() : QStringLiteral("\n")) + length;
            more = true;
        }
        if (more)
            ++m_eventsWithMore;
        // An occurrence the file moves: the event that moves it is one of its own; one it
        // cancels is not kept at all.
        if (icalproperty *moved = icalcomponent_get_first_property(event.get(), ICAL_RECURRENCEID_PROPERTY)) {
            if (icalcomponent_get_status(event.get()) == ICAL_STATUS_CANCELLED) {
                ++m_cancelled;
                return;
            }
            if (const auto at = placed(icalproperty_get_recurrenceid(moved), tzidOf(moved)); at && !o.uid.isEmpty())
                o.uid += u'-' + occurrenceStamp(*at);
        }
        if (!recurs) {
            Values record = derived(*first, o.summary);
            applyCarried(event.get(), record);
            if (!o.uid.isEmpty())
                record.insert(Exchange::uidField, o.uid);
            m_ready.push_back(std::move(record));
            return;
        }
        for (const auto &[t, tzid] : m_moved.value(o.uid)) {
            if (const auto at = placed(t, tzid))
                o.excluded.insert(key(*at));
        }
        icaltimetype wall = o.start;
        wall.zone = nullptr; // the rule runs on the clock of the event's own zone
        if (rrule) {
            const icalrecurrencetype rule = icalproperty_get_rrule(rrule);
            o.rule.reset(icalrecur_iterator_new(rule, icaltime_is_utc(o.start) ? o.start : wall));
            if (o.rule && rule.count == 0 && m_from.isValid()) {
                // Straight to the range: a rule of every minute over decades costs nothing.
                icaltimetype near = icaltime_null_time();
                const QDate day = m_from.addDays(-2);
                near.year = day.year();
                near.month = day.month();
                near.day = day.day();
                near.is_date = o.start.is_date;
                near.zone = icaltime_is_utc(o.start) ? icaltimezone_get_utc_timezone() : nullptr;
                if (icaltime_compare(near, o.start) > 0)
                    icalrecur_iterator_set_start(o.rule.get(), near);
            }
        } else {
            o.dates.emplace_back(o.start, o.tzid);
        }
        for (icalproperty *p = rdate; p; p = icalcomponent_get_next_property(event.get(), ICAL_RDATE_PROPERTY)) {
            const icaldatetimeperiodtype when = icalproperty_get_rdate(p);
            o.dates.emplace_back(icaltime_is_null_time(when.time) ? when.period.start : when.time, tzidOf(p));
        }
        for (icalproperty *p = icalcomponent_get_first_property(event.get(), ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(event.get(), ICAL_EXDATE_PROPERTY)) {
            if (const auto at = placed(icalproperty_get_exdate(p), tzidOf(p)))
                o.excluded.insert(key(*at));
        }
        m_occurrences = std::move(o);
    }

    static QDateTime key(const Start &s) { return QDateTime(s.date, s.time.value_or(QTime(0, 0))); }

    // What the appointment keeps of the event's length: the days of an event of more than one
    // day ("المدة: 3 أيام"), the end of a timed one that ends on a later day ("ينتهي: 12/1/2027
    // 9:00 ص"). An end the same day is not kept and is counted, unless it is an hour after the
    // start (what an export writes again).
    QString lengthLine(icalcomponent *event, icaltimetype start, const Start &placedStart, bool recurs)
    {
        icalproperty *dtend = icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY);
        icalproperty *duration = icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY);
        if (!dtend && !duration)
            return {};
        icaltimetype end = dtend ? icalproperty_get_dtend(dtend)
                                 : icaltime_add(start, icalproperty_get_duration(duration));
        if (icaltime_is_null_time(end))
            return {};
        if (start.is_date) {
            const QDate from(start.year, start.month, start.day);
            const QDate to(end.year, end.month, end.day);
            const qint64 days = from.isValid() && to.isValid() ? from.daysTo(to) : 0;
            if (days <= 1)
                return {};
            return QStringLiteral("المدة: ") + Counts::text(days, Counts::day());
        }
        const std::optional<Start> placedEnd = placed(end, dtend ? tzidOf(dtend) : tzidOf(icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY)));
        if (!placedEnd || !placedEnd->time || !placedStart.time)
            return {};
        const QDateTime from(placedStart.date, *placedStart.time);
        const QDateTime to(placedEnd->date, *placedEnd->time);
        if (from.secsTo(to) == 3600 || to == from)
            return {};
        if (placedEnd->date > placedStart.date && !recurs)
            return QStringLiteral("ينتهي: %1 %2").arg(Dates::dateText(placedEnd->date),
                                                    ClockTime::text(*placedEnd->time));
        ++m_endTimes;
        return {};
    }

    static QString occurrenceStamp(const Start &s)
    {
        return s.time ? QDateTime(s.date, *s.time).toString(QStringLiteral("yyyyMMdd'T'HHmmss"))
                      : s.date.toString(QStringLiteral("yyyyMMdd"));
    }


    // The next occurrence of the recurring event being read that falls in the range.
    bool nextOccurrence(Values &record)
    {
        if (!m_ready.empty()) {
            record = std::move(m_ready.front());
            m_ready.pop_front();
            return true;
        }
        if (!m_occurrences)
            return false;
        Occurrences &o = *m_occurrences;
        while (o.rule || !o.dates.empty()) {
            icaltimetype t;
            QString tzid = o.tzid;
            if (o.rule) {
                t = icalrecur_iterator_next(o.rule.get());
                if (icaltime_is_null_time(t) || ++o.followed > longestRecurrence) {
                    if (o.followed > longestRecurrence)
                        ++m_cutRecurrences;
                    o.rule.reset();
                    continue;
                }
            } else {
                std::tie(t, tzid) = o.dates.front();
                o.dates.pop_front();
            }
            if (icaltime_is_utc(t))
                tzid.clear();
            const auto at = placed(t, tzid);
            if (!at)
                continue;
            if (o.rule && m_to.isValid() && at->date > m_to.addDays(2)) {
                o.rule.reset(); // the rule's occurrences only grow from here
                continue;
            }
            if ((m_from.isValid() && at->date < m_from) || (m_to.isValid() && at->date > m_to)
                || o.excluded.contains(key(*at)))
                continue;
            record = derived(*at, o.summary);
            // Each occurrence is an appointment of its own, with a UID of its own: the event's
            // and the occurrence's start, the same each time the file is read.
            if (!o.uid.isEmpty())
                record.insert(Exchange::uidField, o.uid + u'-' + occurrenceStamp(*at));
            return true;
        }
        m_occurrences.reset();
        return false;
    }

    QIODevice *m_in;
    QDate m_from;
    QDate m_to;
    QTimeZone m_zone;
    bool m_details = true;
    Exchange::Problem m_problem;
    qint64 m_position = 0;
    qint64 m_physical = 0;
    QByteArray m_ahead;
    QByteArray m_piece = QByteArray(64 * 1024, Qt::Uninitialized);
    bool m_hasAhead = false;
    bool m_seenCalendar = false;
    QList<std::pair<QByteArray, qint64>> m_open; // the components open, with their BEGIN's line
    Block m_block;
    std::map<QString, TimeZone> m_zones;
    std::deque<Values> m_ready;
    std::optional<Occurrences> m_occurrences;
    QSet<QString> m_unknownZones;
    int m_otherComponents = 0;
    int m_cutRecurrences = 0;
    int m_eventsWithMore = 0; // events whose text keeps more than their summary
    int m_cancelled = 0;
    int m_alarms = 0;
    int m_endTimes = 0; // ends not kept
    bool m_scanned = false;
    // The occurrences moved or cancelled by an event of their own, by UID: as the file gives them.
    QHash<QString, QList<std::pair<icaltimetype, QString>>> m_moved;
};

} // namespace

std::unique_ptr<Exchange::RecordReader> reader(QIODevice *in, QDate from, QDate to, const QTimeZone &zone, bool details)
{
    return std::make_unique<Reader>(in, from, to, zone, details);
}

} // namespace dalil::ICalendar
