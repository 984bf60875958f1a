// The sync's bench rows: against Radicale on this computer, 10,000 contacts and 10,000
// appointments synced up from a full book and down into an empty one, beside vdirsyncer
// syncing the same collections into an empty folder; a sync with one change; and the longest
// the event loop waited during each sync.
#include "bench.h"
#include "seed.h"

#include "radicale/radicale.h"
#include "radicale/wait.h"

#include "data/database.h"
#include "data/sync/engine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

namespace bench {

namespace {

// The longest time between two turns of the event loop while it runs.
class GapMeter
{
public:
    GapMeter()
    {
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_clock.start();
        m_last = m_clock.nsecsElapsed();
        m_timer.start();
    }
    double longestMs() const { return m_longest / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

struct Timed
{
    double ms = 0;
    double gapMs = 0;
    int requests = 0;
    dalil::Sync::Outcome outcome;
};

Timed syncOnce(const QString &databasePath, const testing::Radicale &server)
{
    using namespace dalil::Sync;
    Http http({server.url(), testing::Radicale::user, testing::Radicale::password, {}});
    dalil::Sync::Engine engine(databasePath, http,
                  {{QStringLiteral("Phone"), server.url(testing::Radicale::addressBook)},
                   {QStringLiteral("Note"), server.url(testing::Radicale::calendar)}});
    Timed timed;
    QElapsedTimer clock;
    GapMeter gaps;
    clock.start();
    timed.outcome = testing::wait(engine.run()).value_or(Outcome{});
    timed.ms = clock.nsecsElapsed() / 1e6;
    timed.gapMs = gaps.longestMs();
    timed.requests = http.requestsSent();
    return timed;
}

QString counted(const Timed &timed)
{
    return QStringLiteral("%1 in, %2 out, %3 requests%4")
        .arg(timed.outcome.received)
        .arg(timed.outcome.sent)
        .arg(timed.requests)
        .arg(timed.outcome.ok() ? QString() : QStringLiteral(", FAILED"));
}

} // namespace

void Bench::sync()
{
    constexpr qint64 records = 10000;
    testing::Radicale server;
    if (!server.createCollections() || !server.start()) {
        std::fprintf(stderr, "sync: Radicale did not start\n%s\n", qPrintable(server.log()));
        return;
    }
    QTemporaryDir full;
    QTemporaryDir empty;
    QString error;
    SeedTimes times;
    const QString fullPath = full.filePath(QStringLiteral("DB1.mdb"));
    const QString emptyPath = empty.filePath(QStringLiteral("DB1.mdb"));
    if (!seedDatabase(fullPath, records, true, &times, &error) || !seedDatabase(emptyPath, 0, true, &times, &error)) {
        std::fprintf(stderr, "sync: %s\n", qPrintable(error));
        return;
    }
    const auto add = [this](const QString &label, double ms, const QString &target, double targetMs, const QString &note) {
        Result r;
        r.action = label;
        r.ms = ms;
        r.firstMs = ms;
        r.target = target;
        r.targetMs = targetMs;
        r.ratioApplies = false;
        r.note = note;
        m_results << r;
    };

    const Timed up = syncOnce(fullPath, server);
    add(QStringLiteral("sync: first sync up, 10,000 contacts and 10,000 appointments"), up.ms, QStringLiteral("-"), 1e12,
        counted(up));
    add(QStringLiteral("sync: longest event-loop gap during it"), up.gapMs, QStringLiteral("< 50 ms"), 50, QString());

    const Timed down = syncOnce(emptyPath, server);

    // vdirsyncer, the same collections into an empty folder.
    QTemporaryDir other;
    QDir(other.path()).mkpath(QStringLiteral("contacts"));
    QDir(other.path()).mkpath(QStringLiteral("calendar"));
    QDir(other.path()).mkpath(QStringLiteral("status"));
    QFile config(other.filePath(QStringLiteral("config")));
    config.open(QIODevice::WriteOnly);
    QString text = QStringLiteral("[general]\nstatus_path = \"%1/status/\"\n").arg(other.path());
    for (const auto &[name, type, path, ext] :
         {std::tuple{QStringLiteral("contacts"), QStringLiteral("carddav"), testing::Radicale::addressBook, QStringLiteral(".vcf")},
          std::tuple{QStringLiteral("calendar"), QStringLiteral("caldav"), testing::Radicale::calendar, QStringLiteral(".ics")}}) {
        text += QStringLiteral("[pair %1]\na = \"%1_local\"\nb = \"%1_remote\"\ncollections = null\n"
                               "[storage %1_local]\ntype = \"filesystem\"\npath = \"%2/%1/\"\nfileext = \"%3\"\n"
                               "[storage %1_remote]\ntype = \"%4\"\nurl = \"%5\"\nusername = \"%6\"\npassword = \"%7\"\n")
                    .arg(name, other.path(), ext, type, server.url(path).toString(), testing::Radicale::user,
                         testing::Radicale::password);
    }
    config.write(text.toUtf8());
    config.close();
    const auto vdirsyncer = [&config](const QString &command) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        clock.start();
        process.start(QStringLiteral("vdirsyncer"), {QStringLiteral("-c"), config.fileName(), command});
        const bool done = process.waitForFinished(-1) && process.exitCode() == 0;
        return done ? clock.nsecsElapsed() / 1e6 : -1.0;
    };
    vdirsyncer(QStringLiteral("discover"));
    const double theirs = vdirsyncer(QStringLiteral("sync"));
    const int files = int(QDir(other.filePath(QStringLiteral("contacts"))).entryList(QDir::Files).size()
                          + QDir(other.filePath(QStringLiteral("calendar"))).entryList(QDir::Files).size());
    add(QStringLiteral("sync: first sync down into an empty book"), down.ms,
        QStringLiteral("< vdirsyncer (%1 ms)").arg(theirs, 0, 'f', 0), theirs, counted(down));
    add(QStringLiteral("sync: longest event-loop gap during it"), down.gapMs, QStringLiteral("< 50 ms"), 50, QString());
    add(QStringLiteral("vdirsyncer: first sync of the same collections into an empty folder"), theirs, QStringLiteral("-"), 1e12,
        QStringLiteral("%1 files").arg(files));

    // One change on one side, synced there and then on the other.
    {
        dalil::DataError opened;
        QSqlQuery change(dalil::Database::connection(fullPath, &opened));
        change.exec(QStringLiteral("UPDATE Phone SET \"الجوال\" = '0799999999' WHERE rowid = 5000"));
    }
    const Timed one = syncOnce(fullPath, server);
    add(QStringLiteral("sync: one change sent"), one.ms, QStringLiteral("< 1000 ms"), 1000, counted(one));
    add(QStringLiteral("sync: longest event-loop gap during it"), one.gapMs, QStringLiteral("< 50 ms"), 50, QString());
    const Timed other1 = syncOnce(emptyPath, server);
    add(QStringLiteral("sync: one change received"), other1.ms, QStringLiteral("< 1000 ms"), 1000, counted(other1));
    add(QStringLiteral("sync: longest event-loop gap during it"), other1.gapMs, QStringLiteral("< 50 ms"), 50, QString());
    const Timed nothing = syncOnce(emptyPath, server);
    add(QStringLiteral("sync: nothing to do"), nothing.ms, QStringLiteral("< 1000 ms"), 1000, counted(nothing));
    dalil::Database::closeAll();
}

} // namespace bench
