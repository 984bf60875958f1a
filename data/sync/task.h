// The sync's work reads as one sequence of steps although every network answer arrives later:
// a step is a coroutine (Task) that waits on a reply, or lets the event loop run, and goes on
// where it stopped. Nothing blocks the thread. A Task starts when it is awaited (or started, at
// the root) and its frame goes with the Task object: destroying the root in the middle of a
// wait ends the whole chain there, every reply it waited on aborted by its holder.
//
// In an awaited expression every argument is a named variable, never a temporary made there
// (a conversion, a conditional, a function's result): GCC 12 destroys some such temporaries
// twice, which frees shared data still in use (found by valgrind in the sync's writes).
#pragma once

#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <coroutine>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace dalil::Sync {

namespace detail {

struct PromiseBase
{
    std::coroutine_handle<> continuation;

    // At its end a task hands the thread straight back to the one that awaited it.
    struct FinalAwaiter
    {
        bool await_ready() noexcept { return false; }
        template <typename Promise>
        std::coroutine_handle<> await_suspend(std::coroutine_handle<Promise> self) noexcept
        {
            const std::coroutine_handle<> next = self.promise().continuation;
            return next ? next : std::noop_coroutine();
        }
        void await_resume() noexcept {}
    };

    std::suspend_always initial_suspend() noexcept { return {}; }
    FinalAwaiter final_suspend() noexcept { return {}; }
    // The program throws nothing of its own; running out of memory ends it as anywhere else.
    void unhandled_exception() noexcept { std::terminate(); }
};

} // namespace detail

template <typename T = void>
class [[nodiscard]] Task
{
public:
    struct promise_type : detail::PromiseBase
    {
        std::optional<T> value;
        Task get_return_object() { return Task(std::coroutine_handle<promise_type>::from_promise(*this)); }
        void return_value(T result) { value = std::move(result); }
    };

    Task(Task &&other) noexcept : m_handle(std::exchange(other.m_handle, {})) {}
    Task &operator=(Task &&other) noexcept
    {
        if (this != &other) {
            if (m_handle)
                m_handle.destroy();
            m_handle = std::exchange(other.m_handle, {});
        }
        return *this;
    }
    ~Task()
    {
        if (m_handle)
            m_handle.destroy();
    }

    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept
    {
        m_handle.promise().continuation = awaiting;
        return m_handle;
    }
    T await_resume() { return std::move(*m_handle.promise().value); }

private:
    explicit Task(std::coroutine_handle<promise_type> handle) : m_handle(handle) {}
    std::coroutine_handle<promise_type> m_handle;
};

template <>
class [[nodiscard]] Task<void>
{
public:
    struct promise_type : detail::PromiseBase
    {
        Task get_return_object() { return Task(std::coroutine_handle<promise_type>::from_promise(*this)); }
        void return_void() noexcept {}
    };

    Task(Task &&other) noexcept : m_handle(std::exchange(other.m_handle, {})) {}
    Task &operator=(Task &&other) noexcept
    {
        if (this != &other) {
            if (m_handle)
                m_handle.destroy();
            m_handle = std::exchange(other.m_handle, {});
        }
        return *this;
    }
    ~Task()
    {
        if (m_handle)
            m_handle.destroy();
    }

    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept
    {
        m_handle.promise().continuation = awaiting;
        return m_handle;
    }
    void await_resume() noexcept {}

    // Runs a root task up to its first wait. Whoever holds it keeps it until it is done.
    void start() { m_handle.resume(); }
    bool done() const { return !m_handle || m_handle.done(); }

private:
    explicit Task(std::coroutine_handle<promise_type> handle) : m_handle(handle) {}
    std::coroutine_handle<promise_type> m_handle;
};

// Waits until the object emits the signal. A task destroyed while it waits leaves no
// connection behind.
template <typename Sender, typename Signal>
class SignalAwaiter
{
public:
    SignalAwaiter(Sender *sender, Signal signal) : m_sender(sender), m_signal(signal) {}
    SignalAwaiter(const SignalAwaiter &) = delete;
    ~SignalAwaiter() { QObject::disconnect(m_connection); }

    bool await_ready() const noexcept { return !m_sender; }
    void await_suspend(std::coroutine_handle<> waiting)
    {
        m_connection = QObject::connect(m_sender, m_signal, m_sender, [this, waiting] {
            QObject::disconnect(m_connection);
            waiting.resume();
        });
    }
    void await_resume() noexcept {}

private:
    QPointer<Sender> m_sender;
    Signal m_signal;
    QMetaObject::Connection m_connection;
};

// Lets the event loop run (paint, answer the user) before the task goes on.
class Yield
{
public:
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> waiting)
    {
        // A timer, not a posted call: posted calls run before the timers that came due
        // meanwhile, so two steps would go by before the windows' own timers had their turn.
        // The timer goes with the task: a task destroyed meanwhile is never resumed.
        m_timer = std::make_unique<QTimer>();
        m_timer->setSingleShot(true);
        QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), [waiting] { waiting.resume(); });
        m_timer->start(0);
    }
    void await_resume() noexcept {}

private:
    std::unique_ptr<QTimer> m_timer;
};

// Waits a while, on a timer (a retry after the server asked to wait).
class Sleep
{
public:
    explicit Sleep(int milliseconds) : m_milliseconds(milliseconds) {}
    bool await_ready() const noexcept { return m_milliseconds <= 0; }
    void await_suspend(std::coroutine_handle<> waiting)
    {
        m_context = std::make_unique<QObject>();
        QTimer::singleShot(m_milliseconds, m_context.get(), [waiting] { waiting.resume(); });
    }
    void await_resume() noexcept {}

private:
    int m_milliseconds;
    std::unique_ptr<QObject> m_context;
};

// Runs a computation that needs nothing of the event loop's (reading a long answer) on a
// thread of its own; the task goes on with its result while the windows are answered. A task
// destroyed meanwhile waits for the computation to end.
template <typename Result>
class Beside
{
public:
    explicit Beside(std::function<Result()> work) : m_result(std::make_shared<std::optional<Result>>())
    {
        m_thread.reset(QThread::create([work = std::move(work), result = m_result] { *result = work(); }));
    }
    Beside(const Beside &) = delete;
    ~Beside()
    {
        QObject::disconnect(m_connection);
        m_thread->wait();
    }
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> waiting)
    {
        m_connection = QObject::connect(m_thread.get(), &QThread::finished, m_thread.get(), [this, waiting] {
            QObject::disconnect(m_connection);
            waiting.resume();
        });
        m_thread->start();
    }
    Result await_resume()
    {
        m_thread->wait();
        return std::move(**m_result);
    }

private:
    std::shared_ptr<std::optional<Result>> m_result;
    std::unique_ptr<QThread> m_thread;
    QMetaObject::Connection m_connection;
};

} // namespace dalil::Sync
