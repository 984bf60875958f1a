// Older books kept by Microsoft Access: every fixture reads exactly as its JSON (written by
// another reader, Jackcess) says, under the environment variables that change what mdbtools
// reads; a conversion writes every record, checked, and keeps the original; a damaged file is
// refused with nothing written.
#include "testdata.h"

#include "data/exchange/access/conversion.h"
#include "data/exchange/exchange.h"
#include "data/store/upgrade.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace dalil;
using Kind = Access::Problem::Kind;

namespace {

const QString fixtures = QStringLiteral(DALIL_ACCESS_FIXTURES);

QJsonObject expected(const QString &mdb)
{
    QFile file(fixtures + u'/' + QString(mdb).replace(QStringLiteral(".mdb"), QStringLiteral(".expected.json")));
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A cell against the JSON's value for a column of that Access type.
bool same(const Access::Cell &cell, const QJsonValue &value, const QString &type)
{
    using K = Access::Cell::Kind;
    if (type == u"SHORT_DATE_TIME" || type == u"GUID")
        return true; // not read by Dalil
    if (value.isNull())
        return cell.isNull();
    if (value.isBool())
        return cell.kind == K::Integer && cell.integer == (value.toBool() ? 1 : 0);
    if (value.isString())
        return (cell.kind == K::Text && cell.text == value.toString()) || (cell.kind == K::Currency && cell.shown() == value.toString());
    const double number = value.toDouble();
    if (type == u"BYTE") // Access's Byte is 0 to 255; Jackcess gives it as a signed Java byte
        return cell.kind == K::Integer && cell.integer == (qint64(number) & 0xff);
    if (type == u"FLOAT")
        return cell.kind == K::Real && float(cell.real) == float(number);
    if (cell.kind == K::Real)
        return cell.real == number;
    return cell.kind == K::Integer && double(cell.integer) == number;
}

// The rows of a converted book as stored, in the order written.
QList<QVariantList> stored(const QString &path, const QString &book)
{
    QList<QVariantList> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(path);
        if (db.open()) {
            QStringList columns;
            for (const QString &column : Exchange::columns(book))
                columns << u'"' + column + u'"';
            QSqlQuery query(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(columns.join(u','), book), db);
            while (query.next()) {
                QVariantList row;
                for (int i = 0; i < columns.size(); ++i)
                    row << (query.isNull(i) ? QVariant() : query.value(i));
                rows << row;
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return rows;
}

QVariant storedValue(const QString &path, const QString &sql)
{
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("value"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(sql, db);
            if (query.next())
                value = query.value(0);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("value"));
    return value;
}

// What Dalil stores of a JSON cell: numbers (date parts, whole amounts) as the book holds them.
QVariant asStored(const QJsonValue &value, bool datePart)
{
    if (value.isNull())
        return QVariant();
    if (value.isString())
        return value.toString().endsWith(QStringLiteral(".0000")) ? QVariant(value.toString().chopped(5).toLongLong())
                                                                   : QVariant(value.toString());
    const qint64 number = qint64(value.toDouble());
    return datePart ? QVariant(QString::number(number)) : QVariant(number);
}

} // namespace

class TestAccess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readsEveryFixture_data();
    void readsEveryFixture();
    void surveysEveryRecord_data();
    void surveysEveryRecord();
    void convertsEveryRecord_data();
    void convertsEveryRecord();
    void keepsWholeAmountsOnly_data();
    void keepsWholeAmountsOnly();
    void refusesADamagedFile_data();
    void refusesADamagedFile();
    void survivesRandomDamage();
    void importsABookOfAnAccessFile();
};

void TestAccess::initTestCase()
{
    // What mdbtools reads from the environment when it opens a file: an ISO-8859-1 converter
    // turns Arabic names into "?", another Jet 3 code page turns letters into other letters,
    // no_memo empties the notes. None of it may change what Dalil reads.
    qputenv("MDBICONV", "ISO-8859-1");
    qputenv("MDB_JET3_CHARSET", "IBM864");
    qputenv("MDBOPTS", "no_memo");
}

void TestAccess::readsEveryFixture_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("table");
    for (const QString &file : {QStringLiteral("DB1-access2000.mdb"), QStringLiteral("DB1-access2007.mdb"),
                                QStringLiteral("DB1-access2000-edge.mdb"), QStringLiteral("jet3/testV1997.mdb"),
                                QStringLiteral("jet3/testIndexCodesV1997.mdb"), QStringLiteral("jet3/delTestV1997.mdb"),
                                QStringLiteral("jet3/overflowTestV1997.mdb"), QStringLiteral("jet3/queryTestV1997.mdb")}) {
        const QJsonObject tables = expected(file).value(QStringLiteral("tables")).toObject();
        for (auto table = tables.begin(); table != tables.end(); ++table)
            QTest::addRow("%s %s", qPrintable(file), qPrintable(table.key())) << file << table.key();
    }
}

void TestAccess::readsEveryFixture()
{
    QFETCH(QString, file);
    QFETCH(QString, table);
    const QJsonObject want = expected(file).value(QStringLiteral("tables")).toObject().value(table).toObject();
    Access::File access(fixtures + u'/' + file);
    QVERIFY(access.isOpen());
    QVERIFY(access.tables().contains(table));
    if (file.startsWith(u"jet3"))
        QCOMPARE(access.codePage(), 1256);

    const QJsonArray columns = want.value(QStringLiteral("columns")).toArray();
    const QList<Access::Column> read = access.columns(table);
    QCOMPARE(read.size(), columns.size());
    for (int i = 0; i < read.size(); ++i)
        QCOMPARE(read.at(i).name, columns.at(i).toObject().value(QStringLiteral("name")).toString());

    const QJsonArray rows = want.value(QStringLiteral("rows")).toArray();
    QCOMPARE(access.rowCount(table), qint64(want.value(QStringLiteral("row_count")).toInt()));
    const std::unique_ptr<Access::Cursor> cursor = access.rows(table);
    Access::Row row;
    int n = 0;
    while (cursor->next(row)) {
        QVERIFY2(n < rows.size(), "more rows than Access reads");
        const QJsonArray cells = rows.at(n).toArray();
        for (int i = 0; i < cells.size(); ++i) {
            const QString type = columns.at(i).toObject().value(QStringLiteral("type")).toString();
            QVERIFY2(same(row.at(i), cells.at(i), type),
                     qPrintable(QStringLiteral("row %1 column %2: %3 read as %4").arg(n).arg(i).arg(QJsonDocument(cells).toJson(QJsonDocument::Compact), row.at(i).shown())));
        }
        ++n;
    }
    QVERIFY2(!cursor->problem().isProblem(), qPrintable(cursor->problem().detail));
    QCOMPARE(n, rows.size());
}

void TestAccess::surveysEveryRecord_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<qint64>>("heldCheques"); // their places in the table
    QTest::newRow("Access 2000") << QStringLiteral("DB1-access2000.mdb") << QList<qint64>{};
    QTest::newRow("Access 2007, date parts and amounts as numbers") << QStringLiteral("DB1-access2007.mdb") << QList<qint64>{};
    // 12.5 and 0.1, -5 and -250, 13 digits, the largest Currency, 0.30000000000000004, 1.2e17;
    // 0, 999999999999 and two empty amounts are kept.
    QTest::newRow("edge cases") << QStringLiteral("DB1-access2000-edge.mdb") << QList<qint64>{1, 3, 5, 6, 7, 8};
    QTest::newRow("100,000 records") << QStringLiteral("DB1-access2000-100k.mdb") << QList<qint64>{};
}

void TestAccess::surveysEveryRecord()
{
    QFETCH(QString, file);
    QFETCH(QList<qint64>, heldCheques);
    QTemporaryDir dir;
    QString path = fixtures + u'/' + file;
    if (file.contains(u"100k")) {
        path = dir.filePath(file);
        QProcess gzip;
        gzip.setStandardOutputFile(path);
        gzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), fixtures + u'/' + file + QStringLiteral(".gz")});
        QVERIFY(gzip.waitForFinished(60000) && gzip.exitCode() == 0);
    }
    const Access::Survey survey = Access::survey(path);
    QVERIFY2(survey.ok(), qPrintable(Access::message(survey.problem, path)));
    const QJsonObject tables = expected(file).value(QStringLiteral("tables")).toObject();
    for (const QString &book : Access::books()) {
        const QJsonObject want = tables.value(book).toObject();
        QCOMPARE(survey.counted.value(book), qint64(want.value(QStringLiteral("row_count")).toInt()));
        // Every record as it will be stored, digested as the JSON's author digested it: the
        // same when no record is left out (date parts read as numbers are the same digits).
        if (!(book == u"Cheque" && !heldCheques.isEmpty()))
            QCOMPARE(survey.digests.value(book).toHex(), want.value(QStringLiteral("sha256")).toString().toLatin1());
    }
    QList<qint64> held;
    for (const Access::Held &record : survey.held) {
        QCOMPARE(record.book, QStringLiteral("Cheque"));
        held << record.position;
    }
    QCOMPARE(held, heldCheques);
    if (heldCheques.isEmpty()) {
        QCOMPARE(survey.dinars, qint64(tables.value(QStringLiteral("Cheque")).toObject().value(QStringLiteral("sum_dinars")).toDouble()));
        QCOMPARE(survey.fils, qint64(tables.value(QStringLiteral("Cheque")).toObject().value(QStringLiteral("sum_fils")).toDouble()));
    } else {
        QCOMPARE(survey.held.first().value(QStringLiteral("دينار")), QStringLiteral("12.5000"));
        QCOMPARE(survey.held.first().value(QStringLiteral("فلس")), QStringLiteral("0.1"));
        QCOMPARE(survey.held.at(4).value(QStringLiteral("فلس")), QStringLiteral("0.30000000000000004"));
        QCOMPARE(survey.dinars, 999999999999);
        QCOMPARE(survey.fils, 999);
    }
}

void TestAccess::convertsEveryRecord_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("earlier"); // a DB1.mdb.access of an earlier conversion lies there
    QTest::addColumn<bool>("told");    // of its progress, as the window is: its long steps run beside
    QTest::addColumn<bool>("stopped"); // by the user while the search keys are made
    QTest::newRow("Access 2000") << QStringLiteral("DB1-access2000.mdb") << false << false << false;
    QTest::newRow("Access 2000, told") << QStringLiteral("DB1-access2000.mdb") << false << true << false;
    QTest::newRow("100,000 records, stopped while keyed") << QStringLiteral("DB1-access2000-100k.mdb") << false << true << true;
    QTest::newRow("Access 2007, beside an earlier original") << QStringLiteral("DB1-access2007.mdb") << true << false << false;
    QTest::newRow("edge cases") << QStringLiteral("DB1-access2000-edge.mdb") << false << true << false;
}

void TestAccess::convertsEveryRecord()
{
    QFETCH(QString, file);
    QFETCH(bool, earlier);
    QFETCH(bool, told);
    QFETCH(bool, stopped);
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("DB1.mdb"));
    if (file.contains(u"100k")) {
        QProcess gzip;
        gzip.setStandardOutputFile(dir.filePath(file));
        gzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), fixtures + u'/' + file + QStringLiteral(".gz")});
        QVERIFY(gzip.waitForFinished(60000) && gzip.exitCode() == 0);
        QVERIFY(QFile::rename(dir.filePath(file), dir.filePath(QStringLiteral("source"))));
        file = QStringLiteral("source");
    }
    const QByteArray original = bytesOf(file == u"source" ? dir.filePath(file) : fixtures + u'/' + file);
    QVERIFY(writeFile(database, original));
    QFile::remove(dir.filePath(QStringLiteral("source")));
    if (earlier)
        QVERIFY(writeFile(database + QStringLiteral(".access"), "an earlier original"));
    const Access::Survey survey = Access::survey(database);
    QVERIFY(survey.ok());
    // The rows written are the first half of the progress, their keys the second; it only goes on.
    double reached = 0;
    bool onward = true;
    const Access::Progress progress = [&](qint64 done, qint64 total) {
        const double now = total > 0 ? double(done) / double(total) : 0;
        onward = onward && now >= reached;
        reached = now;
        return !(stopped && now > 0.5);
    };
    const Access::Conversion conversion = Access::convert(database, survey, told ? progress : Access::Progress());
    QVERIFY(onward);
    if (stopped) {
        QCOMPARE(conversion.outcome, Access::Conversion::Outcome::Stopped);
        QCOMPARE(bytesOf(database), original);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("DB1.mdb")});
        return;
    }
    QVERIFY2(conversion.done(), qPrintable(conversion.failure));

    // The original, byte for byte, beside the new book; nothing else left behind.
    QCOMPARE(conversion.keptAs, database + (earlier ? QStringLiteral(".access-2") : QStringLiteral(".access")));
    QCOMPARE(bytesOf(conversion.keptAs), original);
    QVERIFY(!Access::hasSignature(database));
    QStringList files = QDir(dir.path()).entryList(QDir::Files);
    QStringList wanted{QStringLiteral("DB1.mdb"), QFileInfo(conversion.keptAs).fileName()};
    if (earlier) {
        QCOMPARE(bytesOf(database + QStringLiteral(".access")), QByteArray("an earlier original"));
        wanted << QStringLiteral("DB1.mdb.access");
    }
    if (!survey.held.isEmpty())
        wanted << QStringLiteral("DB1-unconverted-cheques.csv");
    std::sort(files.begin(), files.end());
    std::sort(wanted.begin(), wanted.end());
    QCOMPARE(files, wanted);

    // Every record as the JSON has it, in the same order, but those left out.
    const QJsonObject tables = expected(file).value(QStringLiteral("tables")).toObject();
    qint64 dinars = 0, fils = 0;
    for (const QString &book : Access::books()) {
        const QStringList columns = Exchange::columns(book);
        QList<QVariantList> want;
        const QJsonArray rows = tables.value(book).toObject().value(QStringLiteral("rows")).toArray();
        for (int n = 0; n < rows.size(); ++n) {
            if (std::any_of(survey.held.begin(), survey.held.end(), [&](const Access::Held &h) { return h.book == book && h.position == n + 1; }))
                continue;
            QVariantList row;
            for (int i = 0; i < columns.size(); ++i) {
                const bool datePart = (book == u"Note" && i >= 1 && i <= 3) || (book == u"Cheque" && i <= 2);
                row << asStored(rows.at(n).toArray().at(i), datePart);
            }
            if (book == u"Cheque") {
                dinars += row.at(4).toLongLong();
                fils += row.at(5).toLongLong();
            }
            want << row;
        }
        QCOMPARE(stored(database, book), want);
        QCOMPARE(storedValue(database, QStringLiteral("SELECT count(*) FROM %1").arg(book == u"Note" ? QStringLiteral("Note") : book + QStringLiteral("Keys"))).toInt(),
                 int(want.size()));
    }
    // Its sums as Dalil keeps them, its search keys and layout as any older file gains them.
    QCOMPARE(storedValue(database, QStringLiteral("SELECT \"Sum من دينار\" || '/' || \"Sum من فلس\" FROM TotalTotal")).toString(),
             QStringLiteral("%1/%2").arg(dinars).arg(fils));
    QCOMPARE(storedValue(database, QStringLiteral("PRAGMA user_version")).toInt(), Upgrade::currentVersion);
    QCOMPARE(storedValue(database, QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));

    if (!survey.held.isEmpty()) {
        // Left out exactly as read, one line each, the way a spreadsheet opens it.
        const QString csv = QString::fromUtf8(bytesOf(conversion.heldFiles.value(0)));
        QCOMPARE(csv.count(QStringLiteral("\r\n")), 1 + int(survey.held.size()));
        QVERIFY(csv.contains(QStringLiteral("\"1\",\"1\",\"1\",\"2004\",\"حالات حدّية\",\"12.5000\",\"0.1\",\"\",\"كسور في الدينار والفلس\",\"مبلغ بكسر\"")));
        QVERIFY(csv.contains(QStringLiteral("\"'-5.0000\",\"'-250\"")));
        QVERIFY(csv.contains(QStringLiteral("\"123456789012345680\",\"\",\"Double يُطبع بالأس\",\"مبلغ من أكثر من 12 رقماً\"")));
    }
}

void TestAccess::keepsWholeAmountsOnly_data()
{
    using K = Access::Cell::Kind;
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("integer"); // Integer, or Currency in ten-thousandths
    QTest::addColumn<double>("real");
    QTest::addColumn<qint64>("kept");    // -1: not kept
    QTest::addColumn<QString>("why");
    const QString fraction = QStringLiteral("مبلغ بكسر"), negative = QStringLiteral("مبلغ سالب"),
                  tooLong = QStringLiteral("مبلغ من أكثر من 12 رقماً");
    QTest::newRow("Long") << int(K::Integer) << qint64(1250) << 0.0 << qint64(1250) << QString();
    QTest::newRow("Long, twelve nines") << int(K::Integer) << qint64(999999999999) << 0.0 << qint64(999999999999) << QString();
    QTest::newRow("Long, negative") << int(K::Integer) << qint64(-1) << 0.0 << qint64(-1) << negative;
    QTest::newRow("Currency, whole") << int(K::Currency) << qint64(12500000) << 0.0 << qint64(1250) << QString();
    QTest::newRow("Currency 12.5") << int(K::Currency) << qint64(125000) << 0.0 << qint64(-1) << fraction;
    QTest::newRow("Currency 0.0001") << int(K::Currency) << qint64(1) << 0.0 << qint64(-1) << fraction;
    QTest::newRow("Currency, 13 digits") << int(K::Currency) << qint64(10000000000000000) << 0.0 << qint64(-1) << tooLong;
    QTest::newRow("Double, whole") << int(K::Real) << qint64(0) << 250.0 << qint64(250) << QString();
    QTest::newRow("Double 0.1") << int(K::Real) << qint64(0) << 0.1 << qint64(-1) << fraction;
    QTest::newRow("Double -250") << int(K::Real) << qint64(0) << -250.0 << qint64(-1) << negative;
    QTest::newRow("Double 1e15") << int(K::Real) << qint64(0) << 1e15 << qint64(-1) << tooLong;
    QTest::newRow("Double 1.2345678901234568e17") << int(K::Real) << qint64(0) << 1.2345678901234568e17 << qint64(-1) << tooLong;
    QTest::newRow("Double, not a number") << int(K::Real) << qint64(0) << std::nan("") << qint64(-1) << QStringLiteral("مبلغ لا يقرأ عدداً");
}

void TestAccess::keepsWholeAmountsOnly()
{
    QFETCH(int, kind);
    QFETCH(qint64, integer);
    QFETCH(double, real);
    QFETCH(qint64, kept);
    QFETCH(QString, why);
    Access::Cell cell;
    cell.kind = Access::Cell::Kind(kind);
    cell.integer = integer;
    cell.real = real;
    qint64 value = -1;
    QCOMPARE(Access::amount(cell, &value), why);
    if (why.isEmpty())
        QCOMPARE(value, kept);
}

void TestAccess::refusesADamagedFile_data()
{
    // Bytes of DB1-access2000.mdb (4 KB pages): the catalogue's data page 14, the Cheque
    // table's definition on page 28 (its columns' types from byte 114751, their names from
    // 114951), the phone book's data page 30 and the appointments' page 39.
    QTest::addColumn<qint64>("cutTo");     // -1: not cut
    QTest::addColumn<qint64>("at");        // -1: nothing written over
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kind");
    const QByteArray none;
    QTest::newRow("empty") << qint64(0) << qint64(-1) << none << int(Kind::NotAccess);
    QTest::newRow("all zeros") << qint64(-1) << qint64(0) << QByteArray(184320, '\0') << int(Kind::NotAccess);
    QTest::newRow("cut before the tables") << qint64(100000) << qint64(-1) << none << int(Kind::Damaged);
    QTest::newRow("cut in the phone book's page") << qint64(124000) << qint64(-1) << none << int(Kind::Damaged);
    QTest::newRow("last page cut") << qint64(180224) << qint64(-1) << none << int(Kind::Damaged);
    QTest::newRow("a row placed outside its page") << qint64(-1) << qint64(30 * 4096 + 14) << QByteArray("\xff\x1f", 2) << int(Kind::Damaged);
    QTest::newRow("a page's row count flipped") << qint64(-1) << qint64(30 * 4096 + 12) << QByteArray("\x10", 1) << int(Kind::Short);
    QTest::newRow("no rows where 19 are counted") << qint64(-1) << qint64(39 * 4096 + 12) << QByteArray("\0\0", 2) << int(Kind::Short);
    QTest::newRow("table missing") << qint64(-1) << qint64(59649) << QByteArray("X") << int(Kind::MissingTable);
    QTest::newRow("column missing") << qint64(-1) << qint64(114987 + 2) << QByteArray("\x28", 1) << int(Kind::MissingColumn);
    QTest::newRow("amount of another type") << qint64(-1) << qint64(114851) << QByteArray("\x08", 1) << int(Kind::ColumnType);
}

void TestAccess::refusesADamagedFile()
{
    QFETCH(qint64, cutTo);
    QFETCH(qint64, at);
    QFETCH(QByteArray, bytes);
    QFETCH(int, kind);
    QByteArray damaged = bytesOf(fixtures + QStringLiteral("/DB1-access2000.mdb"));
    if (at >= 0)
        damaged.replace(at, bytes.size(), bytes);
    if (cutTo >= 0)
        damaged.truncate(cutTo);
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("DB1.mdb"));
    QVERIFY(writeFile(database, damaged));

    const Access::Survey survey = Access::survey(database);
    QCOMPARE(int(survey.problem.kind), kind);
    QVERIFY(Access::message(survey.problem, database).contains(database));
    // Nothing is written: the file as it was, alone.
    QVERIFY(!Access::convert(database, survey).done());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("DB1.mdb")});
    QCOMPARE(bytesOf(database), damaged);
}

void TestAccess::survivesRandomDamage()
{
    // A byte flipped anywhere in the tables' pages: read through without a fault, and either
    // refused or read with every table's count.
    const QByteArray original = bytesOf(fixtures + QStringLiteral("/DB1-access2000.mdb"));
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("DB1.mdb"));
    QRandomGenerator random(32);
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray damaged = original;
        const qsizetype at = random.bounded(14 * 4096, int(original.size()));
        damaged[at] = char(damaged.at(at) ^ (1 << random.bounded(8)));
        QVERIFY(writeFile(database, damaged));
        const Access::Survey survey = Access::survey(database);
        if (!survey.ok()) {
            ++refused;
            continue;
        }
        QCOMPARE(survey.counted.value(QStringLiteral("Phone")) + survey.counted.value(QStringLiteral("Note"))
                     + survey.counted.value(QStringLiteral("Cheque")),
                 qint64(27 + 19 + 37));
    }
    qInfo("%d of 300 damaged files refused", refused);
}

void TestAccess::importsABookOfAnAccessFile()
{
    // An Access file elsewhere goes through the import as any other: the cheques Dalil holds
    // stored, the others named and left out.
    testing::AppFolder folder;
    const auto reader = Access::reader(fixtures + QStringLiteral("/DB1-access2000-edge.mdb"), QStringLiteral("Cheque"));
    const Exchange::Imported imported = Exchange::store(folder.databasePath(), QStringLiteral("Cheque"), *reader, {});
    QVERIFY(imported.ok());
    QCOMPARE(imported.added, qint64(3));
    QCOMPARE(folder.value(QStringLiteral("SELECT group_concat(دينار, '/') FROM Cheque")).toString(), QStringLiteral("0/999999999999"));
    QVERIFY(reader->notices().value(0).contains(u'6'));

    const auto damaged = Access::reader(fixtures + QStringLiteral("/jet3/testV1997.mdb"), QStringLiteral("Cheque"));
    const Exchange::Imported refused = Exchange::store(folder.databasePath(), QStringLiteral("Cheque"), *damaged, {});
    QVERIFY(refused.problem.message.contains(QStringLiteral("testV1997.mdb")));
    QCOMPARE(folder.value(QStringLiteral("SELECT count(*) FROM Cheque")).toInt(), 3);
}

QTEST_GUILESS_MAIN(TestAccess)
#include "tst_access.moc"
