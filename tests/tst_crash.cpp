// Killed mid-save: the real program, saving records in a loop through its entry windows,
// is killed at random moments. Afterwards the file is sound, every record whose save had
// completed is there exactly, and no record is partial or empty.
#include "testsupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

class TestCrash : public QObject
{
    Q_OBJECT

private slots:
    void killedAtRandomMomentsLosesNothing();
};

void TestCrash::killedAtRandomMomentsLosesNothing()
{
    testing::AppFolder folder;
    QRandomGenerator random(20261207);
    QSet<int> saved;
    int next = 0;
    int kills = 0;
    int killedMidRun = 0;
    QElapsedTimer budget;
    budget.start();

    while (kills < 24 && budget.elapsed() < 120000) {
        QProcess driver;
        driver.setProcessChannelMode(QProcess::SeparateChannels);
        driver.start(QStringLiteral(DALIL_CRASHDRIVER), {folder.path(), QString::number(next)});
        QVERIFY(driver.waitForStarted());
        // Let it get going, then kill it at a random moment of its saving.
        QElapsedTimer sinceFirst;
        while (driver.state() == QProcess::Running && !driver.canReadLine() && budget.elapsed() < 120000)
            driver.waitForReadyRead(50);
        sinceFirst.start();
        const int wait = int(random.bounded(5, 400));
        while (sinceFirst.elapsed() < wait && driver.state() == QProcess::Running)
            driver.waitForReadyRead(5);
        driver.kill(); // SIGKILL
        driver.waitForFinished(5000);
        ++kills;
        const QStringList lines = QString::fromUtf8(driver.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        for (const QString &line : lines) {
            QVERIFY2(!line.startsWith(QStringLiteral("Unexpected")), qPrintable(line));
            if (line.startsWith(QStringLiteral("saved ")))
                saved.insert(line.mid(6).toInt());
        }
        if (driver.exitStatus() == QProcess::CrashExit)
            ++killedMidRun;
        // A record may have been written and the process killed before it could say so:
        // the next run starts past every number the file may hold.
        next = qMax(next, saved.isEmpty() ? 0 : *std::max_element(saved.begin(), saved.end()) + 1) + 3;
    }
    QVERIFY2(kills >= 20, qPrintable(QString::number(kills)));
    QVERIFY(killedMidRun >= 20);
    QVERIFY(saved.size() > 20);

    QCOMPARE(folder.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));

    // Every row is whole: its parts all come from one record number.
    QSet<int> present;
    const QRegularExpression number(QStringLiteral("(\\d+)$"));
    for (const QVariantList &row : folder.rows(QStringLiteral("SELECT الإسم, الجوال, ملاحظات FROM Phone"))) {
        const int n = number.match(row[0].toString()).captured(1).toInt();
        QCOMPARE(row[0].toString(), QStringLiteral("سجل %1").arg(n));
        QCOMPARE(row[1].toString(), QString::number(n));
        QCOMPARE(row[2].toString(), QStringLiteral("ملاحظة %1").arg(n));
        QVERIFY2(!present.contains(n), "a record stored twice");
        present.insert(n);
    }
    for (const QVariantList &row : folder.rows(QStringLiteral("SELECT الموعد, الساعة, اليوم FROM Note"))) {
        const int n = number.match(row[0].toString()).captured(1).toInt();
        QCOMPARE(row[0].toString(), QStringLiteral("موعد %1").arg(n));
        QCOMPARE(row[1].toString(), QString::number(n));
        QCOMPARE(row[2].toString(), QStringLiteral("الأحد"));
        QVERIFY2(!present.contains(n), "a record stored twice");
        present.insert(n);
    }
    for (const QVariantList &row : folder.rows(QStringLiteral("SELECT السيد, دينار, فلس, المبلغ FROM Cheque"))) {
        const int n = number.match(row[0].toString()).captured(1).toInt();
        QCOMPARE(row[0].toString(), QStringLiteral("مستفيد %1").arg(n));
        QCOMPARE(row[1].toLongLong(), qint64(n));
        QCOMPARE(row[2].toLongLong(), qint64(500));
        QCOMPARE(row[3].toString(), QStringLiteral("مبلغ %1").arg(n));
        QVERIFY2(!present.contains(n), "a record stored twice");
        present.insert(n);
    }
    for (int n : std::as_const(saved))
        QVERIFY2(present.contains(n), qPrintable(QStringLiteral("saved record %1 is missing").arg(n)));

    // The running sums agree with the cheques themselves, dinars and fils.
    QCOMPARE(folder.value(QStringLiteral("SELECT \"Sum من دينار\" FROM TotalTotal")),
             folder.value(QStringLiteral("SELECT sum(دينار) FROM Cheque")));
    QCOMPARE(folder.value(QStringLiteral("SELECT \"Sum من فلس\" FROM TotalTotal")),
             folder.value(QStringLiteral("SELECT sum(فلس) FROM Cheque")));
    qInfo("%d kills, %lld records saved and reported, %lld records present", kills, qint64(saved.size()),
          qint64(present.size()));
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
