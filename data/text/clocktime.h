// The time of an appointment as the user typed it in the free-text box "الساعة", read as a time
// of day; and the text the program writes for a time it brings in from another program. Pure
// and without allocation beyond the text's copy, for the reminders that read every appointment.
#pragma once

#include <QString>
#include <QTime>

#include <optional>

namespace dalil::ClockTime {

// The time of day a text names, or nothing when it names none for certain.
//
// Read: an hour, optionally ":" minutes and ":" seconds (two digits each), with a morning or
// evening word before or after it, and the word "الساعة" in front. Digits may be Western,
// Arabic-Indic (٠-٩) or Extended Arabic-Indic (۰-۹); the separator ":", "٫" (the Arabic
// decimal separator, which Arabic keyboards give for the colon's key) or ".". Blanks,
// direction marks, tatweel and the short vowels (the tanween of "صباحاً") are ignored.
// Morning: ص, صباحا, صباح, فجرا, قبل الظهر, AM, a.m. Evening: م, مساء, عصرا, بعد الظهر,
// PM, p.m. With them the hour is 1 to 12: 12 ص is midnight, 12 م is noon; an hour of 13 to
// 23 with an evening word is taken as it is. "ظهرا" (around noon): 11 and 12 as they are,
// 1 to 5 in the afternoon. "ليلا" (at night): 12 is midnight, 1 to 5 in the small hours,
// 6 to 11 in the evening.
// Without such a word the text is the 24-hour clock ("15:45", "3:30" is half past three in
// the morning). An hour alone without a word is read only when it cannot be mistaken:
// 0 or 13 to 23; "الساعة 4" could be either and reads as nothing.
// Anything else in the text ("3 مع أحمد", "بعد الظهر" alone, "25:00", "3:75") reads as nothing.
std::optional<QTime> read(const QString &text);

// The text the program writes for a time of day: the 12-hour clock with Western digits and
// the Arabic morning or evening letter, as most users type it: "3:30 م", "12:00 ص" for
// midnight, "12:05 م" just after noon; with the seconds only when there are some
// ("11:05:30 ص"). read() gives the time back. An invalid time gives an empty text.
QString text(QTime time);

} // namespace dalil::ClockTime
