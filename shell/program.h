// Starting and ending the organiser.
#pragma once

#include "data/reminders/reminders.h"

#include <QString>

namespace dalil {

// For tests and harnesses only: the folder that holds DB1.mdb and the help file. Users have
// no command line, setting or variable; the program uses its own folder.
void setApplicationFolder(const QString &folder);

// For tests and harnesses only: every print writes this PDF file directly, with no dialog.
void setPrintTarget(const QString &pdfPath);

// For tests and harnesses only: the clocks the reminders ring by in the runs started after
// it; an empty clock starts runs without reminders. The program uses the system's clocks.
void setReminderClock(Reminders::Clock clock, ReminderSchedule::Elapsed elapsed = {});

// For tests and harnesses only: how long after the start the first sync waits (a negative
// delay: none until asked), and whether the desktop's keyring is asked for the password.
void setSyncDelay(int milliseconds, bool keyring);

// Start-up: the frame MDIForm1, maximized with its menus, and the start window inside it.
void start();

// Ends the program at once: every window goes, nothing pending is written.
void endProgram();

// Whether the program is running (its frame exists).
bool isRunning();

} // namespace dalil
