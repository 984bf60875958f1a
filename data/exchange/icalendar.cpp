#include "icalendar.h"

#include "data/text/clock.h"
#include "data/text/clocktime.h"
#include "data/text/dates.h"
#include "icalendarevent.h"
#include "data/text/counts.h"

#include <QDateTime>
#include <QFileDevice>
#include <QHash>

namespace dalil::ICalendar {

using namespace Events;
using Records::Values;
namespace Columns = Exchange::NoteColumns;

namespace {

// The last year libical writes.
constexpr int lastYear = 3000;

// The text iCalendar can carry: without the controls other than TAB and LF, DEL, and unpaired
// surrogates.
QString carriable(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n') || u == 0x7f)
            continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
            continue;
        }
        if (c.isSurrogate())
            continue;
        out += c;
    }
    return out;
}

} // namespace

QString Events::carriedUid(const QString &uid)
{
    return carriable(uid).trimmed();
}

namespace {

QDate storedDate(const Values &record)
{
    const auto day = Dates::wholeNumber(record.value(Columns::day).toString());
    const auto month = Dates::wholeNumber(record.value(Columns::month).toString());
    const auto year = Dates::wholeNumber(record.value(Columns::year).toString());
    if (!day || !month || !year || *year < 1 || *year > lastYear)
        return {};
    return QDate(*year, *month, *day);
}

class CalendarWriter final : public Writer
{
public:
    CalendarWriter(QIODevice *out, const QTimeZone &zone) : m_out(out), m_zone(zone) {}

    bool write(const Values &record) override
    {
        if (!begun())
            return false;

        const QDate date = storedDate(record);
        if (!date.isValid()) {
            ++m_skipped;
            if (m_notices.size() < 100)
                m_notices += QStringLiteral("موعد لم يُصدَّر لأن تاريخه لا يُقرأ: %1 %2")
                                 .arg(Dates::partsText(record.value(Columns::day).toString(),
                                                       record.value(Columns::month).toString(),
                                                       record.value(Columns::year).toString()),
                                      record.value(Columns::text).toString().left(40));
            return true;
        }
        Component event = standard(record, date);
        // What the reader will make of the event is read from the event as written and read
        // again, so that whatever the text's way through the file changes is seen here.
        char *written = icalcomponent_as_ical_string_r(event.get());
        Component back(icalparser_parse_string(written));
        const Values reread =
            derived(startOf(back.get()), eventText(back.get(), record.value(Columns::time).toString()));
        bool added = false;
        for (const Carried &c : carried) {
            const QString stored = record.value(c.column).toString();
            if (stored != reread.value(c.column).toString()) {
                icalproperty *x = icalproperty_new_x(escaped(stored).toUtf8().constData());
                icalproperty_set_x_name(x, c.property);
                icalcomponent_add_property(event.get(), x);
                added = true;
            }
        }
        // Most events read back as stored: written as they were first written.
        if (added) {
            icalmemory_free_buffer(written);
            written = icalcomponent_as_ical_string_r(event.get());
        }
        const bool ok = put(written);
        icalmemory_free_buffer(written);
        return ok;
    }

    bool finish() override
    {
        if (!begun())
            return false;
        if (!put("END:VCALENDAR\r\n"))
            return false;
        // A file holds back what it was given: a full disk shows only when it is flushed.
        if (auto *file = qobject_cast<QFileDevice *>(m_out); file && !file->flush())
            m_failed = true;
        return !m_failed;
    }

    int skipped() const override { return m_skipped; }

    QStringList notices() const override
    {
        QStringList out = m_notices;
        if (m_skipped > m_notices.size())
            out += QStringLiteral("و%1 غيرها لم تُصدَّر لأن تواريخها لا تُقرأ")
                       .arg(Counts::text(m_skipped - m_notices.size(), Counts::appointment()));
        return out;
    }

private:
    // The calendar's first lines, before the first event (or the end of an empty calendar).
    bool begun()
    {
        if (!m_failed && !m_started)
            m_started = put("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Dalil//Dalil//AR\r\nCALSCALE:GREGORIAN\r\n");
        return !m_failed;
    }

    bool put(const char *text)
    {
        const qint64 size = qstrlen(text);
        if (m_out->write(text, size) != size)
            m_failed = true;
        return !m_failed;
    }

    // The event as every program reads it, without the X-DALIL- properties.
    Component standard(const Values &record, QDate date)
    {
        Component event(icalcomponent_new_vevent());
        icalcomponent *e = event.get();
        icalcomponent_add_property(e, icalproperty_new_uid(uid(record).constData()));
        icalcomponent_add_property(
            e, icalproperty_new_dtstamp(icaltime_from_timet_with_zone(Clock::nowUtc().toSecsSinceEpoch(), 0,
                                                                        icaltimezone_get_utc_timezone())));
        const QString timeText = record.value(Columns::time).toString();
        const auto time = ClockTime::read(timeText);
        const QDateTime utc = time ? QDateTime(date, *time, m_zone).toUTC() : QDateTime();
        if (utc.isValid() && utc.date().year() >= 1 && utc.date().year() <= lastYear) {
            icalcomponent_add_property(e, icalproperty_new_dtstart(utcTime(utc)));
            icalcomponent_add_property(e, icalproperty_new_duration(icaldurationtype_from_int(3600)));
        } else {
            icalcomponent_add_property(e, icalproperty_new_dtstart(dateOnly(date)));
            icalcomponent_add_property(e, icalproperty_new_duration(icaldurationtype_from_int(24 * 3600)));
            const QString kept = carriable(timeText);
            if (!kept.trimmed().isEmpty())
                icalcomponent_add_property(e, icalproperty_new_description(kept.toUtf8().constData()));
        }
        icalcomponent_add_property(
            e, icalproperty_new_summary(carriable(record.value(Columns::text).toString()).toUtf8().constData()));
        return event;
    }

    static icaltimetype utcTime(const QDateTime &utc)
    {
        icaltimetype t = icaltime_null_time();
        t.year = utc.date().year();
        t.month = utc.date().month();
        t.day = utc.date().day();
        t.hour = utc.time().hour();
        t.minute = utc.time().minute();
        t.second = utc.time().second();
        t.zone = icaltimezone_get_utc_timezone();
        return t;
    }

    static icaltimetype dateOnly(QDate date)
    {
        icaltimetype t = icaltime_null_date();
        t.year = date.year();
        t.month = date.month();
        t.day = date.day();
        return t;
    }

    // The event's start as the reader places it: UTC times in the writer's zone, dates as they are.
    Start startOf(icalcomponent *event) const
    {
        icalproperty *p = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
        const icaltimetype t = icalproperty_get_dtstart(p);
        const QDate date(t.year, t.month, t.day);
        if (t.is_date)
            return {date, std::nullopt};
        const QDateTime local =
            QDateTime(date, QTime(t.hour, t.minute, t.second), QTimeZone::utc()).toTimeZone(m_zone);
        return {local.date(), local.time()};
    }

    // The appointment's own UID; without one (a file that keeps none), a digest of it.
    QByteArray uid(const Values &record)
    {
        if (const QString own = carriedUid(record.value(Exchange::uidField).toString()); !own.isEmpty())
            return own.toUtf8();
        return m_digests.next(record).toUtf8();
    }

    QIODevice *m_out;
    QTimeZone m_zone;
    bool m_started = false;
    bool m_failed = false;
    int m_skipped = 0;
    QStringList m_notices;
    Exchange::DigestUids m_digests;
};

} // namespace

std::unique_ptr<Writer> writer(QIODevice *out, const QTimeZone &zone)
{
    return std::make_unique<CalendarWriter>(out, zone);
}

} // namespace dalil::ICalendar
