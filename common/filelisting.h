// Files listed in Qt's own windows (the file windows, the print window's file box) are told
// apart by their names alone. Qt would open each file of a folder to read its first bytes for
// an icon or a type; a descriptor of DB1.mdb, -wal or -shm opened and closed anywhere in the
// process drops every lock the engine holds on that file, and the next program to open the
// book then takes it for unused and resets the shared memory this one still reads.
#pragma once

class QAbstractFileIconProvider;

namespace dalil::FileListing {

// From now on, every window the program shows lists files by name alone, and Qt's own file
// windows are used rather than the desktop's (which would read the files in a library of its own).
void install();

// The icons and types of files, by name alone.
QAbstractFileIconProvider *nameOnly();

} // namespace dalil::FileListing
