// The sync's bench rows: against Radicale on this computer, 10,000 contacts and 10,000
// appointments another client left on the server synced down into an empty book, beside
// vdirsyncer syncing the same collections into an empty folder; a sync with one change each
// way; a book's first sync up; and the longest the event loop waited during each sync.
#include "bench.h"
#include "seed.h"

#include "radicale/radicale.h"
#include "radicale/wait.h"

#include "data/store/database.h"
#include "data/sync/engine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

namespace bench {

namespace {

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

// The server's collections written straight into its storage, as another client would have
// left them: a card and an event an item, numbered.
bool fillServer(const testing::Radicale &server, int contacts, int events)
{
    for (int i = 0; i < contacts; ++i) {
        QFile file(server.collectionFolder(testing::Radicale::addressBook) + QStringLiteral("/c%1.vcf").arg(i));
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:c%1\r\nFN:جهة اتصال %1\r\nN:اتصال %1;جهة;;;\r\n"
                                  "TEL;TYPE=CELL:079%2\r\nTEL;TYPE=HOME:06%2\r\nEMAIL:c%1@example.org\r\n"
                                  "NOTE:ملاحظة %1\r\nEND:VCARD\r\n")
                       .arg(i)
                       .arg(i, 7, 10, QChar(u'0'))
                       .toUtf8());
    }
    for (int i = 0; i < events; ++i) {
        QFile file(server.collectionFolder(testing::Radicale::calendar) + QStringLiteral("/e%1.ics").arg(i));
        if (!file.open(QIODevice::WriteOnly))
            return false;
        const QDate day = QDate(2027, 1, 1).addDays(i % 700);
        file.write(QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\nBEGIN:VEVENT\r\nUID:e%1\r\n"
                                  "DTSTAMP:20261201T000000Z\r\nDTSTART:%2T%3\r\nDTEND:%2T%4\r\nSUMMARY:موعد %1\r\n"
                                  "END:VEVENT\r\nEND:VCALENDAR\r\n")
                       .arg(i)
                       .arg(day.toString(QStringLiteral("yyyyMMdd")))
                       .arg(QTime(8 + i % 10, 0).toString(QStringLiteral("HHmmss")))
                       .arg(QTime(9 + i % 10, 0).toString(QStringLiteral("HHmmss")))
                       .toUtf8());
    }
    return true;
}

// vdirsyncer, the same collections into an empty folder: its time, and the files it wrote.
std::pair<double, int> vdirsyncerDown(const testing::Radicale &server)
{
    QTemporaryDir other;
    for (const char *folder : {"contacts", "calendar", "status"})
        QDir(other.path()).mkpath(QString::fromLatin1(folder));
    QFile config(other.filePath(QStringLiteral("config")));
    if (!config.open(QIODevice::WriteOnly))
        return {-1, 0};
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
    const auto run = [&config](const QString &command) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        clock.start();
        process.start(QStringLiteral("vdirsyncer"), {QStringLiteral("-c"), config.fileName(), command});
        const bool done = process.waitForFinished(-1) && process.exitCode() == 0;
        return done ? clock.nsecsElapsed() / 1e6 : -1.0;
    };
    run(QStringLiteral("discover"));
    const double ms = run(QStringLiteral("sync"));
    const int files = int(QDir(other.filePath(QStringLiteral("contacts"))).entryList(QDir::Files).size()
                          + QDir(other.filePath(QStringLiteral("calendar"))).entryList(QDir::Files).size());
    return {ms, files};
}

} // namespace

void Bench::sync()
{
    constexpr int records = 10000; // of each book on the server
    constexpr qint64 sent = 500;   // of each book sent up by a first sync
    const auto add = [this](const QString &label, double ms, const QString &target, double targetMs, const QString &note,
                            double stallMs = -1) {
        Result r;
        r.action = label;
        r.ms = ms;
        r.firstMs = ms;
        r.target = target;
        r.targetMs = targetMs;
        r.ratioApplies = false;
        r.note = note;
        r.batch = true;
        r.stallMs = stallMs;
        m_results << r;
    };

    // Down: what another client left on the server, into an empty book, beside vdirsyncer.
    testing::Radicale server;
    if (!server.createCollections() || !fillServer(server, records, records) || !server.start()) {
        std::fprintf(stderr, "sync: Radicale did not start\n%s\n", qPrintable(server.log()));
        return;
    }
    QTemporaryDir first;
    QTemporaryDir second;
    QString error;
    SeedTimes times;
    const QString firstPath = first.filePath(QStringLiteral("DB1.mdb"));
    const QString secondPath = second.filePath(QStringLiteral("DB1.mdb"));
    if (!seedDatabase(firstPath, 0, true, &times, &error) || !seedDatabase(secondPath, 0, true, &times, &error)) {
        std::fprintf(stderr, "sync: %s\n", qPrintable(error));
        return;
    }
    const auto [theirs, files] = vdirsyncerDown(server);
    const Timed down = syncOnce(firstPath, server);
    add(QStringLiteral("sync: first sync down, 10,000 contacts and 10,000 appointments into an empty book"), down.ms,
        QStringLiteral("< vdirsyncer (%1 ms)").arg(theirs, 0, 'f', 0), theirs, counted(down), down.gapMs);
    add(QStringLiteral("vdirsyncer: first sync of the same collections into an empty folder"), theirs, QStringLiteral("-"), 1e12,
        QStringLiteral("%1 files").arg(files));

    // One change on one device, sent, then received by another in step.
    syncOnce(secondPath, server);
    {
        dalil::DataError opened;
        QSqlQuery change(dalil::Database::connection(firstPath, &opened));
        change.exec(QStringLiteral("UPDATE Phone SET \"الجوال\" = '0799999999' WHERE rowid = 5000"));
    }
    const Timed one = syncOnce(firstPath, server);
    add(QStringLiteral("sync: one change sent"), one.ms, QStringLiteral("< 1000 ms"), 1000, counted(one), one.gapMs);
    const Timed other = syncOnce(secondPath, server);
    add(QStringLiteral("sync: one change received"), other.ms, QStringLiteral("< 1000 ms"), 1000, counted(other),
        other.gapMs);
    const Timed nothing = syncOnce(secondPath, server);
    add(QStringLiteral("sync: nothing to do"), nothing.ms, QStringLiteral("< 1000 ms"), 1000, counted(nothing),
        nothing.gapMs);
    dalil::Database::closeAll();

    // Up: a book's first sync to empty collections (Radicale stores one item a request).
    testing::Radicale empty;
    QTemporaryDir full;
    const QString fullPath = full.filePath(QStringLiteral("DB1.mdb"));
    if (!empty.createCollections() || !empty.start() || !seedDatabase(fullPath, sent, true, &times, &error)) {
        std::fprintf(stderr, "sync: %s\n%s\n", qPrintable(error), qPrintable(empty.log()));
        return;
    }
    const Timed up = syncOnce(fullPath, empty);
    add(QStringLiteral("sync: first sync up, 500 contacts and 500 appointments"), up.ms, QStringLiteral("-"), 1e12, counted(up),
        up.gapMs);
    dalil::Database::closeAll();
}

} // namespace bench
