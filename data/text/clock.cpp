#include "clock.h"

#include <QElapsedTimer>

#include <memory>
#include <mutex>

namespace dalil::Clock {

namespace {

std::mutex sourceMutex;
std::shared_ptr<const Source> current; // null: the system's clock

std::shared_ptr<const Source> source()
{
    const std::lock_guard lock(sourceMutex);
    return current;
}

} // namespace

QDateTime now()
{
    const auto s = source();
    return s ? (*s)().toLocalTime() : QDateTime::currentDateTime();
}

QDateTime nowUtc()
{
    const auto s = source();
    return s ? (*s)().toUTC() : QDateTime::currentDateTimeUtc();
}

QDate today()
{
    return now().date();
}

Source setSource(Source source)
{
    auto replacement = source ? std::make_shared<const Source>(std::move(source)) : nullptr;
    const std::lock_guard lock(sourceMutex);
    std::swap(current, replacement);
    return replacement ? *replacement : Source();
}

Source runningFrom(const QDateTime &start)
{
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    return [start, elapsed] { return start.addMSecs(elapsed->elapsed()); };
}

} // namespace dalil::Clock
