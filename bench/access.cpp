// An older Access book converted, in a process of its own so that its peak memory is its own:
// the 100,000-record fixture read through, written, keyed and checked.
#include "bench.h"

#include "data/exchange/access/conversion.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <cstdio>

namespace bench {

int probeConversion(const QString &databasePath)
{
    // As the file menu runs it: the loop turned at each step the progress window is told of.
    int argc = 1;
    char name[] = "dalil-bench";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const auto turning = [](qint64, qint64) {
        QCoreApplication::processEvents();
        return true;
    };
    QElapsedTimer clock;
    clock.start();
    GapMeter gaps;
    const dalil::Access::Survey survey = dalil::Access::survey(databasePath, turning);
    const qint64 surveyed = clock.nsecsElapsed();
    const dalil::Access::Conversion conversion =
        survey.ok() ? dalil::Access::convert(databasePath, survey, turning) : dalil::Access::Conversion();
    const qint64 converted = clock.nsecsElapsed();
    std::printf("%s %lld %lld %ld %lld %lld\n", conversion.done() ? "done" : "failed", surveyed, converted, peakResidentKb(),
                survey.converted(QStringLiteral("Phone")) + survey.converted(QStringLiteral("Cheque")),
                qint64(gaps.longestMs() * 1e6));
    return conversion.done() ? 0 : 1;
}

void Bench::conversion()
{
    const QString packed = QStringLiteral(DALIL_ACCESS_100K);
    const QString unpacked = m_folder + QStringLiteral("/access-100k.mdb");
    if (!QFile::exists(unpacked)) {
        QProcess gzip;
        gzip.setStandardOutputFile(unpacked);
        gzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), packed});
        if (!gzip.waitForFinished(120000) || gzip.exitCode() != 0) {
            std::fprintf(stderr, "dalil-bench: cannot unpack %s\n", qPrintable(packed));
            return;
        }
    }
    const QString folder = m_folder + QStringLiteral("/converted");
    QString said;
    Action a;
    a.label = QStringLiteral("conversion: an Access book of 100,000 phones, 100,000 cheques (read, checked, written, keyed, checked)");
    a.target = QStringLiteral("< 15000 ms");
    a.targetMs = 15000;
    a.setup = [folder, unpacked](int) {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QFile::copy(unpacked, folder + QStringLiteral("/DB1.mdb"));
    };
    a.act = [folder, &said](int) {
        QProcess probe;
        probe.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--probe-convert"), folder + QStringLiteral("/DB1.mdb")});
        probe.waitForFinished(600000);
        said = QString::fromLatin1(probe.readAllStandardOutput()).trimmed();
    };
    a.batch = true;
    a.done = [&said](int) { return said; };
    a.after = [folder](int) { QDir(folder).removeRecursively(); };
    if (measure(a)) {
        const QStringList parts = said.split(u' ');
        m_results.last().stallMs = parts.value(5).toDouble() / 1e6; // the probe's own loop, not this one's
        addNote(QStringLiteral("%1, survey %2 s, peak %3 MB (< 150 MB)")
                    .arg(parts.value(0))
                    .arg(parts.value(1).toDouble() / 1e9, 0, 'f', 1)
                    .arg(parts.value(3).toLong() / 1024));
    }
}

} // namespace bench
