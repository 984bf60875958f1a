// dalil-bench: the organiser driven as a user drives it, on a DB1.mdb of N records per
// book, each action timed from the click to the window showing its result and set against
// the time the database engine alone needs for the same statements.
#include "bench.h"
#include "seed.h"

#include "data/store/database.h"
#include "shell/program.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <optional>

namespace {

using namespace bench;

bool parse(int argc, char **argv, Options *options)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--records" && hasValue)
            options->records = QByteArray(argv[++i]).toLongLong();
        else if (arg == "--reps" && hasValue)
            options->reps = std::max(1, QByteArray(argv[++i]).toInt());
        else if (arg == "--keep" && hasValue)
            options->keep = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--verbose")
            options->verbose = true;
        else if (arg == "--action" && hasValue)
            options->action = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--only" && hasValue)
            options->only = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--seed-with-indexes")
            options->seedWithIndexes = true;
        else
            return false;
    }
    return options->records > 0;
}

// The DB1.mdb and help file of the folder; seeded in a child process, so that the memory
// the load takes is not counted as the program's.
bool prepareFolder(const QString &folder, const Options &options, QString *note)
{
    const QString marker = folder + QStringLiteral("/bench-records");
    QFile::copy(QStringLiteral(DALIL_HELP_FILE), folder + QStringLiteral("/Help File.rtf"));
    QFile existing(marker);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll().trimmed().toLongLong() == options.records
        && QFile::exists(folder + QStringLiteral("/DB1.mdb"))) {
        *note = QStringLiteral("%1 records per book, database kept in %2").arg(options.records).arg(folder);
        return true;
    }
    QFile::remove(marker);
    QElapsedTimer clock;
    clock.start();
    const pid_t child = fork();
    if (child == 0) {
        SeedTimes times;
        QString error;
        const bool ok = seedDatabase(folder + QStringLiteral("/DB1.mdb"), options.records, options.seedWithIndexes,
                                     &times, &error);
        if (!ok)
            std::fprintf(stderr, "dalil-bench: seeding failed: %s\n", qPrintable(error));
        else
            std::printf("seeded %lld records per book: rows %.1f s, indexes %.1f s, sums %.1f s, search keys (upgrade) %.1f s%s\n",
                        qint64(options.records), times.rows, times.indexes, times.sums, times.keys,
                        options.seedWithIndexes ? " (indexes and triggers in place)" : "");
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    QString error;
    if (!checkSums(folder + QStringLiteral("/DB1.mdb"), &error)) {
        std::fprintf(stderr, "dalil-bench: %s\n", qPrintable(error));
        return false;
    }
    QFile done(marker);
    if (done.open(QIODevice::WriteOnly))
        done.write(QByteArray::number(options.records));
    *note = QStringLiteral("%1 records per book, seeded in %2 s, cheque sums checked")
                .arg(options.records)
                .arg(double(clock.nsecsElapsed()) / 1e9, 0, 'f', 1);
    return true;
}

int probeStartup(int argc, char **argv, const QString &folder)
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    dalil::setApplicationFolder(folder);
    dalil::start();
    settle(window(QStringLiteral("Form1")));
    std::printf("%lld\n", clock.nsecsElapsed());
    dalil::endProgram();
    flush();
    return 0;
}

// The offscreen platform says on every window that it cannot pass on size hints.
void quietPlatform(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QStringLiteral("propagateSizeHints")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char **argv)
{
    qInstallMessageHandler(&quietPlatform);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && qstrcmp(argv[1], "--probe-startup") == 0)
        return probeStartup(1, argv, QString::fromLocal8Bit(argv[2]));
    if (argc == 3 && qstrcmp(argv[1], "--probe-convert") == 0)
        return bench::probeConversion(QString::fromLocal8Bit(argv[2]));

    Options options;
    if (!parse(argc, argv, &options)) {
        std::fprintf(stderr, "usage: dalil-bench [--records N] [--reps R] [--keep DIR] [--verbose] "
                             "[--only startup|phone|appointment|cheque|report|deleted|backup|exchange|reminders|conversion|sync] [--action TEXT] [--seed-with-indexes]\n");
        return 2;
    }
    std::optional<QTemporaryDir> temporary;
    QString folder = options.keep;
    if (folder.isEmpty()) {
        temporary.emplace();
        folder = temporary->path();
    } else {
        QDir().mkpath(folder);
        folder = QDir(folder).absolutePath();
    }
    QString seedNote;
    if (!prepareFolder(folder, options, &seedNote))
        return 1;
    // Every run starts with the file in the system's cache, whatever ran before it.
    QFile file(folder + QStringLiteral("/DB1.mdb"));
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.read(1 << 20).isEmpty()) {
        }
        seedNote += QStringLiteral(", file read once into the system cache");
    }

    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    BoxAnswerer answerer;
    Bench bench(folder, options);
    bench.run();
    std::printf("dalil-bench, %d repetitions each, nproc %d\n", options.reps, int(sysconf(_SC_NPROCESSORS_ONLN)));
    bench.print(seedNote);
    if (answerer.seen())
        std::printf("%d message boxes appeared and were answered (see above)\n", answerer.seen());
    dalil::Database::closeAll();
    return 0;
}
