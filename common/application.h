// Where the program's files live: the application folder, with DB1.mdb and the help file.
#pragma once

#include <QString>

namespace dalil {

// The folder of the program file, or the one set for a test.
QString applicationFolder();
void setApplicationFolderPath(const QString &folder);

// The application folder followed by the file name.
QString databasePath();
QString helpFilePath();

// The design's font names mapped onto the Arabic faces installed with the program.
void installFontSubstitutions();

} // namespace dalil
