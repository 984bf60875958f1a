// The reminders of the running program: one schedule on DB1.mdb, the reminder window it
// brings up, and the message in the desktop's notification area where there is one. Started
// a moment after the program starts (the start window first), stopped as the frame closes.
#pragma once

#include "data/reminders/reminders.h"

namespace dalil {

class Form14;

namespace Reminding {

// Starts ringing on the file by these clocks; what rang while the program was closed is
// listed at once under "مواعيد فاتتك". A file that cannot be read rings nothing and says
// nothing: the books tell the user when they open it.
void start(const QString &databasePath, Reminders::Clock clock, ReminderSchedule::Elapsed elapsed = {});
// Keeps the time the reminders were last looked at, and lets the window and the tray go.
void stop();
bool isRunning();

// The schedule and the window of this run (none before the first ring), for the frame and
// for tests.
ReminderSchedule *schedule();
Form14 *window();

// The lead time chosen in the options menu: kept in the file, and the timer of a running
// schedule set again.
DataError setLead(const QString &databasePath, int minutes);

} // namespace Reminding

} // namespace dalil
