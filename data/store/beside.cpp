#include "beside.h"

#include <QDeadlineTimer>
#include <QThread>

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
    while (!thread->wait(QDeadlineTimer(10)))
        tell();
}

} // namespace dalil
