#pragma once

#include <functional>

namespace dalil {

// Work that cannot be cut into steps (a whole file synced to the disk, the engine's check of
// every page, an index made over a book) runs on a thread of its own while tell() is called
// on the caller's every 10 ms, so that the windows answer meanwhile; without tell it runs
// where it is called. The work must use nothing the caller touches in tell().
void runBeside(const std::function<void()> &work, const std::function<void()> &tell);

} // namespace dalil
