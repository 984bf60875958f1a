#include "keyring.h"

#include <QUrl>

#include <qt6keychain/keychain.h>

namespace dalil::Sync::Keyring {

namespace {

const QString service = QStringLiteral("Dalil");
bool enabled = true;

// A job owned by the task, let go when it ends or is stopped.
template <typename Job>
struct Held
{
    Job *job;
    ~Held() { job->deleteLater(); }
};

template <typename Job>
Held<Job> made(const QString &entry)
{
    auto *job = new Job(service);
    job->setAutoDelete(false);
    // Never the plain file QtKeychain falls back to where no keyring runs.
    job->setInsecureFallback(false);
    job->setKey(entry);
    return {job};
}

} // namespace

QString entryFor(const QString &user, const QUrl &server)
{
    return user + u'@' + server.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery).toString();
}

void setEnabled(bool on)
{
    enabled = on;
}

Task<std::optional<QString>> read(QString entry)
{
    if (!enabled)
        co_return std::nullopt;
    Held held = made<QKeychain::ReadPasswordJob>(entry);
    held.job->start();
    SignalAwaiter done(held.job, &QKeychain::Job::finished);
    co_await done;
    if (held.job->error() != QKeychain::NoError)
        co_return std::nullopt;
    co_return held.job->textData();
}

Task<bool> write(QString entry, QString password)
{
    if (!enabled)
        co_return false;
    Held held = made<QKeychain::WritePasswordJob>(entry);
    held.job->setTextData(password);
    held.job->start();
    SignalAwaiter done(held.job, &QKeychain::Job::finished);
    co_await done;
    co_return held.job->error() == QKeychain::NoError;
}

Task<bool> forget(QString entry)
{
    if (!enabled)
        co_return false;
    Held held = made<QKeychain::DeletePasswordJob>(entry);
    held.job->start();
    SignalAwaiter done(held.job, &QKeychain::Job::finished);
    co_await done;
    co_return held.job->error() == QKeychain::NoError;
}

} // namespace dalil::Sync::Keyring
