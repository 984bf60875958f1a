// Runs a sync task to its end in a test, the event loop turning meanwhile.
#pragma once

#include "data/sync/task.h"

#include <QEventLoop>
#include <QTest>

#include <optional>

namespace testing {

namespace detail {
template <typename T>
dalil::Sync::Task<void> runInto(dalil::Sync::Task<T> task, std::optional<T> *out, bool *finished, QEventLoop *loop)
{
    *out = co_await task;
    *finished = true;
    loop->quit();
}
} // namespace detail

// The task's result; the test fails (and an empty result comes back) when it has not ended
// within a few minutes: a hung request, never a measure of speed.
template <typename T>
std::optional<T> wait(dalil::Sync::Task<T> task)
{
    std::optional<T> result;
    bool finished = false;
    QEventLoop loop;
    dalil::Sync::Task<void> root = detail::runInto(std::move(task), &result, &finished, &loop);
    root.start();
    if (!finished) {
        QTimer::singleShot(180000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!finished)
        QTest::qFail("the sync task did not end", __FILE__, __LINE__);
    return result;
}

} // namespace testing
