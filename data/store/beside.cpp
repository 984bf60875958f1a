#include "beside.h"

#include <QDeadlineTimer>
#include <QFileDevice>
#include <QThread>

#include <unistd.h>

#include <memory>

namespace dalil {

void runBeside(const std::function<void()> &work, const std::function<void()> &tell)
{
    if (!tell) {
        work();
        return;
    }
    const std::unique_ptr<QThread> thread(QThread::create(work));
    thread->start();
    // Told once at the start too: where the work now stands is heard even when it is short.
    do
        tell();
    while (!thread->wait(QDeadlineTimer(10)));
}

bool syncBeside(QFileDevice &file, const std::function<void()> &tell)
{
    if (!file.flush())
        return false;
    const int descriptor = file.handle();
    if (descriptor >= 0)
        runBeside([descriptor] { ::fdatasync(descriptor); }, tell);
    return true;
}

} // namespace dalil
