// One appointment as an iCalendar event, what the calendar's reader and writer share: the
// record an event's start and texts give, and the X-DALIL- properties that carry the rest.
// Inside the data layer only; the rest of the program goes through icalendar.h.
#pragma once

#include "icalendar.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <libical/ical.h>

#include <array>
#include <memory>
#include <optional>

namespace dalil::ICalendar::Events {

// A libical component, let go when its holder goes.
struct ComponentFree
{
    void operator()(icalcomponent *c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// Each column with the X- property that carries its stored text.
struct Carried
{
    const QString &column;
    const char *property;
};
extern const std::array<Carried, 6> carried;

// An event's start as the reader places it: a day, and a time of day unless it lasts all day.
struct Start
{
    QDate date;
    std::optional<QTime> time;
};

// libical's text (UTF-8, or none) as a string.
QString text(const char *utf8);

// The record a start and an event's text give, before the X-DALIL- properties.
Records::Values derived(const Start &start, const QString &summary);

// The event's text: SUMMARY (or DESCRIPTION when the summary says nothing), then, each on a
// line of its own, "الوصف: " and the DESCRIPTION, and "المكان: " and the LOCATION. A description
// that is only the appointment's time as Dalil writes it for a time a calendar cannot hold
// (timeText) is not said twice. *more tells whether a line was added. Without details, only the
// first: the text a calendar shows as the event's title.
QString eventText(icalcomponent *event, const QString &timeText = {}, bool *more = nullptr, bool details = true);

// The stored text an X-DALIL- property of the event carries, if it has one.
std::optional<QString> carriedText(icalcomponent *event, const char *property);

// A UID as an event carries it: without what a text of iCalendar cannot hold, and without the
// blanks at its ends (libical drops them); empty for none.
QString carriedUid(const QString &uid);

// Puts the stored texts the event's X-DALIL- properties carry in place of the derived ones.
void applyCarried(icalcomponent *event, Records::Values &record);

} // namespace dalil::ICalendar::Events
