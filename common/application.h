// Where the program's files live: the application folder, with DB1.mdb and the help file.
#pragma once

#include <QLocale>
#include <QString>

namespace dalil {

// The folder of the program file, or the one set for a test.
QString applicationFolder();
void setApplicationFolderPath(const QString &folder);

// The application folder followed by the file name.
QString databasePath();
QString helpFilePath();

// The design's font names mapped onto the Arabic faces installed with the program, and one
// Arabic face for all ordinary text.
void installFontSubstitutions();
// A document's face that this computer does not have is shown in the interface's Arabic
// face, rather than in whatever face the system would pick.
void useInterfaceFaceFor(const QString &family);

// The language every date, time and number is shown in, whatever the system's locale: Arabic,
// with the digits 0 to 9 that the boxes store, and a week that starts on Saturday.
QLocale arabicLocale();

// Qt's own texts (the boxes' context menus, the dialogs) in Arabic, and the keys a user
// without a mouse expects: Enter presses the focused button.
void installUserInterfaceLanguage();

} // namespace dalil
