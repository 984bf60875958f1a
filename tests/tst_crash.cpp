// Killed mid-save: the real program, saving records in a loop through its entry windows,
// is killed at random moments. Afterwards the file is sound, every record whose save had
// completed is there exactly, and no record is partial or empty. Killed while it upgrades an
// older book, it leaves the file as it was or fully upgraded.
#include "testdata.h"

#include "data/exchange/access/accessfile.h"
#include "data/exchange/exchange.h"
#include "data/store/backup.h"
#include "data/store/database.h"
#include "data/store/upgrade.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QTest>

using namespace dalil;

class TestCrash : public QObject
{
    Q_OBJECT

private slots:
    void killedAtRandomMomentsLosesNothing();
    void killedDuringTheUpgradeLeavesTheFileAsItWas();
    void killedDuringBackupOrRestoreLeavesASoundFile();
    void killedDuringAnImportLeavesTheBookAsItWas();
    void killedDuringAConversionLeavesOneWholeBook();
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


void TestCrash::killedDuringTheUpgradeLeavesTheFileAsItWas()
{
    // An older book big enough that its first opening takes a few seconds to key it.
    QRandomGenerator random(4);
    int before = 0;
    for (int round = 0; round < 5; ++round) {
        testing::AppFolder folder(false);
        QVERIFY(testing::createDatabase(folder.databasePath(), testing::secondLayoutSql()));
        folder.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 150000)"
                                   " INSERT INTO Phone (الإسم, المنزل) SELECT 'أحمد ' || i, i FROM n"));
        folder.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50000)"
                                   " INSERT INTO Cheque (السيد, دينار, فلس) SELECT 'يحيى ' || (i % 300), i, 7 FROM n"));
        const QString digest = QStringLiteral("SELECT count(*), sum(length(الإسم)), sum(المنزل) FROM Phone WHERE rowid <= 150000");
        const QList<QVariantList> phones = folder.rows(digest);
        const QList<QVariantList> sums = folder.rows(QStringLiteral("SELECT * FROM TotalCheque ORDER BY 1"));

        QProcess driver;
        driver.start(QStringLiteral(DALIL_CRASHDRIVER), {folder.path(), QStringLiteral("0")});
        QVERIFY(driver.waitForStarted());
        QThread::msleep(random.bounded(300, 1500));
        driver.kill(); // SIGKILL
        QVERIFY(driver.waitForFinished(10000));

        QCOMPARE(folder.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        const int version = folder.value(QStringLiteral("PRAGMA user_version")).toInt();
        const int keyTables = folder.value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name LIKE '%Keys'")).toInt();
        if (version == 2) {
            // Killed before the upgrade committed: not a trace of it.
            QCOMPARE(keyTables, 0);
            ++before;
        } else {
            // Or after: all of it.
            QCOMPARE(version, Upgrade::currentVersion);
            QCOMPARE(keyTables, 3);
            QCOMPARE(folder.value(QStringLiteral("SELECT count(*) FROM PhoneKeys")), folder.value(QStringLiteral("SELECT count(*) FROM Phone")));
        }
        // The books as they were (the program may have saved a record of its own after).
        QCOMPARE(folder.rows(digest), phones);
        if (version == 2)
            QCOMPARE(folder.rows(QStringLiteral("SELECT * FROM TotalCheque ORDER BY 1")), sums);
    }
    qInfo("%d of 5 kills fell inside the upgrade", before);
    QVERIFY2(before >= 2, qPrintable(QStringLiteral("only %1 of 5 kills fell inside the upgrade").arg(before)));
}

void TestCrash::killedDuringBackupOrRestoreLeavesASoundFile()
{
    testing::AppFolder folder;
    // Books big enough that a copy takes a while: book A, then book B with half the phones gone.
    folder.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60000)"
                               " INSERT INTO Phone (الإسم, المنزل) SELECT 'سجل ' || i, i FROM n"));
    folder.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000)"
                               " INSERT INTO Cheque (السيد, دينار, فلس) SELECT 'مستفيد ' || (i % 100), i, 5 FROM n"));
    DataError error;
    QVERIFY(Database::connection(folder.databasePath(), &error).isValid()); // brought up to date, keyed
    Database::closeAll();
    const QString a = folder.path() + QStringLiteral("/a.mdb");
    const QString b = folder.path() + QStringLiteral("/b.mdb");
    QVERIFY(Backup::write(folder.databasePath(), a).outcome == Backup::Outcome::Done);
    folder.exec(QStringLiteral("DELETE FROM Phone WHERE rowid % 2 = 0"));
    QVERIFY(Backup::write(folder.databasePath(), b).outcome == Backup::Outcome::Done);
    const QString digest = QStringLiteral("SELECT count(*), sum(length(الإسم)), sum(المنزل) FROM Phone");
    // Read through a connection of its own, closed at once.
    const auto digestOf = [&](const QString &path) {
        QList<QVariantList> rows;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("digest"));
            db.setDatabaseName(path);
            if (db.open()) {
                QSqlQuery query(digest, db);
                while (query.next())
                    rows << QVariantList{query.value(0), query.value(1), query.value(2)};
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("digest"));
        return rows;
    };
    const QList<QVariantList> bookA = digestOf(a);
    const QList<QVariantList> bookB = digestOf(b);
    QVERIFY(bookA != bookB);

    QRandomGenerator random(18);
    for (const QString &mode : {QStringLiteral("backup"), QStringLiteral("restore")}) {
        int done = 0;
        for (int kill = 0; kill < 10; ++kill) {
            QProcess driver;
            driver.start(QStringLiteral(DALIL_CRASHDRIVER), {folder.path(), mode});
            QVERIFY(driver.waitForStarted());
            QVERIFY(driver.waitForReadyRead(20000));
            QThread::msleep(random.bounded(5, 2500));
            // The driver does nothing but copy: a kill while it runs falls inside a copy.
            QCOMPARE(driver.state(), QProcess::Running);
            driver.kill(); // SIGKILL
            QVERIFY(driver.waitForFinished(10000));
            const QString said = QString::fromUtf8(driver.readAllStandardOutput());
            QVERIFY2(!said.contains(QStringLiteral("failed")), qPrintable(said));
            done += int(said.count(mode == u"backup" ? QStringLiteral("backed up") : QStringLiteral("restored")));

            // DB1.mdb is there, sound, and holds one whole book: never a mixture.
            QVERIFY(QFile::exists(folder.databasePath()));
            QCOMPARE(folder.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
            const QList<QVariantList> now = folder.rows(digest);
            // All a copy killed halfway leaves says what it is (with the engine's files beside
            // it, when it was killed while being checked).
            static const QRegularExpression part(QStringLiteral("\\.mdb\\.نسخة-غير-مكتملة(-wal|-shm|-journal)?$"));
            for (const QString &name : QDir(folder.path()).entryList(QDir::Files)) {
                if (!QStringList{"DB1.mdb", "DB1.mdb-wal", "DB1.mdb-shm", "a.mdb", "b.mdb", "backup.mdb", "kept.mdb"}.contains(name))
                    QVERIFY2(part.match(name).hasMatch(), qPrintable(name));
            }
            if (mode == u"backup") {
                QCOMPARE(now, bookB);
                // A backup left behind is whole, or is not there under its name.
                const QString backup = folder.path() + QStringLiteral("/backup.mdb");
                if (QFile::exists(backup))
                    QCOMPARE(digestOf(backup), bookB);
            } else {
                QVERIFY2(now == bookA || now == bookB, qPrintable(now.value(0).value(0).toString()));
            }
            Database::closeAll();
        }
        qInfo("%s: 10 kills while copying, %d copies finished between them", qPrintable(mode), done);
    }
}

// An import is one transaction: a kill leaves the book as it was, or with the whole import,
// its sums with it; never a part of it.
void TestCrash::killedDuringAnImportLeavesTheBookAsItWas()
{
    testing::AppFolder folder;
    folder.exec(QStringLiteral("INSERT INTO Cheque (السيد, دينار, فلس) VALUES ('قبل', 5, 0)"));
    constexpr int imported = 4000;
    {
        QFile csv(folder.path() + QStringLiteral("/cheques.csv"));
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("اليوم,الشهر,العام,السيد,دينار,فلس,السبب\r\n");
        for (int n = 0; n < imported; ++n)
            csv.write(QStringLiteral("%1,%2,2031,مستفيد %3,%3,%4,سبب طويل بعض الشيء %3\r\n")
                          .arg(n % 28 + 1).arg(n % 12 + 1).arg(n).arg(n % 1000).toUtf8());
    }
    const QString books = QStringLiteral("SELECT count(*), sum(دينار), sum(فلس) FROM Cheque");
    const QList<QVariantList> before = folder.rows(books);
    QRandomGenerator random(19);
    int done = 0;
    for (int kill = 0; kill < 10; ++kill) {
        QProcess driver;
        driver.start(QStringLiteral(DALIL_CRASHDRIVER), {folder.path(), QStringLiteral("import")});
        QVERIFY(driver.waitForStarted());
        QVERIFY(driver.waitForReadyRead(20000));
        QThread::msleep(random.bounded(5, 3000));
        QCOMPARE(driver.state(), QProcess::Running);
        driver.kill(); // SIGKILL
        QVERIFY(driver.waitForFinished(10000));
        const QString said = QString::fromUtf8(driver.readAllStandardOutput());
        QVERIFY2(!said.contains(QStringLiteral("failed")), qPrintable(said));
        done += int(said.count(QStringLiteral("imported")));

        QCOMPARE(folder.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        const int count = folder.value(QStringLiteral("SELECT count(*) FROM Cheque")).toInt();
        QVERIFY2(count == 1 || count == 1 + imported, qPrintable(QString::number(count)));
        // The kept sums agree with the book, whichever it is.
        QCOMPARE(folder.rows(QStringLiteral("SELECT dinars, fils FROM ChequeGrandSums")),
                 folder.rows(QStringLiteral("SELECT ifnull(sum(دينار), 0), ifnull(sum(فلس), 0) FROM Cheque")));
        // Left whole, an import is there to undo; as it was, nothing of it is.
        QCOMPARE(folder.value(QStringLiteral("SELECT count(*) FROM ImportBatches")).toInt(), count == 1 ? 0 : 1);
        if (count > 1) {
            DataError error;
            const auto batch = Exchange::newestBatch(folder.databasePath(), QStringLiteral("Cheque"), &error);
            QVERIFY(batch);
            QVERIFY(Exchange::undo(folder.databasePath(), *batch).ok());
        }
        QCOMPARE(folder.rows(books), before);
        QCOMPARE(folder.value(QStringLiteral("SELECT count(*) FROM DeletedCheque")).toInt(), 0);
        Database::closeAll();
    }
    qInfo("import: 10 kills while importing %d cheques, %d imports finished between them", imported, done);
}

// Converting an older Access book: a kill at any moment leaves either the Access file in its
// place, untouched, or the whole converted book with the original kept beside it. A conversion
// after a kill finishes the work.
void TestCrash::killedDuringAConversionLeavesOneWholeBook()
{
    QTemporaryDir unpacked;
    const QString access = unpacked.filePath(QStringLiteral("DB1-access2000-100k.mdb"));
    QProcess gzip;
    gzip.setStandardOutputFile(access);
    gzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), QStringLiteral(DALIL_ACCESS_FIXTURES "/DB1-access2000-100k.mdb.gz")});
    QVERIFY(gzip.waitForFinished(60000) && gzip.exitCode() == 0);
    const auto digestOf = [](const QString &path) {
        QFile file(path);
        QCryptographicHash digest(QCryptographicHash::Sha256);
        return file.open(QIODevice::ReadOnly) && digest.addData(&file) ? digest.result() : QByteArray();
    };
    const QByteArray original = digestOf(access);

    QRandomGenerator random(32);
    int converted = 0, asItWas = 0;
    auto folder = std::make_unique<testing::AppFolder>(false);
    // Six kills at random moments, then a conversion left to finish.
    for (int round = 0; round < 7; ++round) {
        const bool last = round == 6;
        if (!QFileInfo::exists(folder->databasePath()) || !Access::hasSignature(folder->databasePath())) {
            folder = std::make_unique<testing::AppFolder>(false);
            QVERIFY(QFile::copy(access, folder->databasePath()));
        }
        QProcess driver;
        driver.start(QStringLiteral(DALIL_CRASHDRIVER), {folder->path(), QStringLiteral("convert")});
        QVERIFY(driver.waitForStarted());
        QVERIFY(driver.waitForReadyRead(20000));
        if (!last) {
            // The first kill comes at once, so that a machine fast enough to finish within
            // every later wait still sees a kill that leaves the Access file.
            const int wait = random.bounded(50, 15000);
            QThread::msleep(round == 0 ? 0 : wait);
            driver.kill(); // SIGKILL
        }
        QVERIFY(driver.waitForFinished(last ? 300000 : 10000));
        const QString said = QString::fromUtf8(driver.readAllStandardOutput());
        QVERIFY2(!said.contains(QStringLiteral("failed")), qPrintable(said));
        QVERIFY(!last || said.contains(QStringLiteral("converted")));

        const QString database = folder->databasePath();
        const QString kept = database + QStringLiteral(".access");
        if (Access::hasSignature(database)) {
            // The Access file as it was; the original may already have its second name.
            QCOMPARE(digestOf(database), original);
            QVERIFY(!QFileInfo::exists(kept) || digestOf(kept) == original);
            ++asItWas;
            continue;
        }
        ++converted;
        QCOMPARE(digestOf(kept), original);
        QCOMPARE(folder->value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        QCOMPARE(folder->rows(QStringLiteral("SELECT (SELECT count(*) FROM Phone), (SELECT count(*) FROM Note),"
                                             " (SELECT count(*) FROM Cheque), (SELECT count(*) FROM PhoneKeys),"
                                             " \"Sum من دينار\", \"Sum من فلس\" FROM TotalTotal")),
                 (QList<QVariantList>{{qint64(100000), qint64(20), qint64(100000), qint64(100000), qint64(1040606238), qint64(37431114)}}));
        QStringList files = QDir(folder->path()).entryList(QDir::Files);
        QCOMPARE(files, (QStringList{QStringLiteral("DB1.mdb"), QStringLiteral("DB1.mdb.access")}));
        Database::closeAll();
    }
    qInfo("conversion: 6 kills, %d left the Access file, %d found the book converted", asItWas, converted - 1);
    QVERIFY(asItWas > 0);
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
