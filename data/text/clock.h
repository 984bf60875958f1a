// The program's one reading of the time and the day. Everything that asks what time or what
// day it is asks here, so that a test or a harness can set the clock for the whole program at
// once (a session replayed on another day sees the day it first saw).
#pragma once

#include <QDate>
#include <QDateTime>

#include <functional>

namespace dalil::Clock {

// The time now, in local time and in UTC, and today's local date.
QDateTime now();
QDateTime nowUtc();
QDate today();

// Where the time comes from: an empty source is the system's clock. Setting one returns the
// source it replaces. Read from any thread.
using Source = std::function<QDateTime()>;
Source setSource(Source source);

// A clock that reads start at the moment it is made and runs on with the system's monotonic
// clock: the day is fixed, and times still follow one another as they do.
Source runningFrom(const QDateTime &start);

// Sets a source for as long as it lives, then puts the one before back.
class Scoped
{
public:
    explicit Scoped(Source source) : m_previous(setSource(std::move(source))) {}
    ~Scoped() { setSource(std::move(m_previous)); }
    Scoped(const Scoped &) = delete;
    Scoped &operator=(const Scoped &) = delete;

private:
    Source m_previous;
};

} // namespace dalil::Clock
