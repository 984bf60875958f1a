#pragma once

#include <functional>

class QFileDevice;

namespace dalil {

// Work that cannot be cut into steps (a whole file synced to the disk, the engine's check of
// every page, an index made over a book) runs on a thread of its own while tell() is called
// on the caller's at once and every 10 ms, so that the windows answer meanwhile; without tell it runs
// where it is called. The work must use nothing the caller touches in tell().
void runBeside(const std::function<void()> &work, const std::function<void()> &tell);

// What was written to file is brought to the disk beside, tell() called meanwhile, so that a
// commit of a file of some hundred megabytes that follows (a QSaveFile's) has little left to
// sync. False when the file's buffer could not be written.
bool syncBeside(QFileDevice &file, const std::function<void()> &tell);

} // namespace dalil
