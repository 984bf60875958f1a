// Starting and ending the organiser.
#pragma once

#include <QString>

namespace dalil {

// For tests and harnesses only: the folder that holds DB1.mdb and the help file. Users have
// no command line, setting or variable; the program uses its own folder.
void setApplicationFolder(const QString &folder);

// For tests and harnesses only: every print writes this PDF file directly, with no dialog.
void setPrintTarget(const QString &pdfPath);

// Start-up: the frame MDIForm1, maximized with its menus, and the start window inside it.
void start();

// Ends the program at once: every window goes, nothing pending is written.
void endProgram();

// Whether the program is running (its frame exists).
bool isRunning();

} // namespace dalil
