// A DB1.mdb of an earlier layout gains what Dalil now keeps beside the books when it is
// opened, and nothing of the books changes; a file that cannot be written works as before.
#include "testsupport.h"

#include "common/form.h"
#include "data/store/database.h"
#include "data/store/upgrade.h"

#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

#include <sqlite3.h>

using namespace dalil;

namespace {

} // namespace

class TestUpgrade : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        testing::stopProgram();
    }
    void anOlderFileGainsTheGuardsAndKeepsEveryRow_data();
    void anOlderFileGainsTheGuardsAndKeepsEveryRow();
    void changeNumbersFollowEveryWriter_data();
    void changeNumbersFollowEveryWriter();
    void aTableOfTheUsersOwnBlocksTheUpgradeUntouched();
    void hugeAmountsFromAnotherProgramAreRefused();
};

void TestUpgrade::anOlderFileGainsTheGuardsAndKeepsEveryRow_data()
{
    QTest::addColumn<int>("version");
    QTest::newRow("first layout") << 1;
    QTest::newRow("second layout") << 2;
}

void TestUpgrade::anOlderFileGainsTheGuardsAndKeepsEveryRow()
{
    QFETCH(int, version);
    testing::AppFolder folder(false);
    QVERIFY(testing::createDatabase(folder.databasePath(),
                                    version == 1 ? testing::firstLayoutSql() : testing::secondLayoutSql()));
    folder.exec("INSERT INTO Phone (الإسم, المنزل) VALUES ('سمير', '06')");
    folder.exec("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES ('1', '2', '2030', 'ب', 7, 900)");
    folder.exec("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES ('3', '4', '2031', 'ب', 5, 200)");
    const auto before = folder.rows("SELECT rowid, * FROM Cheque ORDER BY rowid");
    QCOMPARE(folder.value("PRAGMA user_version").toInt(), version);
    QCOMPARE(folder.value("SELECT count(*) FROM sqlite_master WHERE name = 'BookChanges'").toInt(), 0);

    QVERIFY(testing::startProgram(folder));
    QTest::mouseClick(Forms::find("Form1")->findChild<QToolButton *>("Command3"), Qt::LeftButton);
    testing::stopProgram();

    QCOMPARE(folder.value("PRAGMA user_version").toInt(), Upgrade::currentVersion);
    QCOMPARE(folder.value("SELECT count(*) FROM sqlite_master WHERE name LIKE 'Cheque_amount_%'").toInt(), 2);
    QCOMPARE(folder.rows("SELECT book FROM BookChanges ORDER BY book"),
             (QList<QVariantList>{{"Cheque"}, {"Note"}, {"Phone"}}));
    QCOMPARE(folder.value("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND name LIKE '%_changes_%'").toInt(), 9);
    QCOMPARE(folder.rows("SELECT rowid, * FROM Cheque ORDER BY rowid"), before);
    QCOMPARE(folder.rows("SELECT * FROM TotalTotal"), (QList<QVariantList>{{12, 1100}}));
    QCOMPARE(folder.value("SELECT الإسم FROM Phone").toString(), QStringLiteral("سمير"));
    // The phone has its lasting UID, a random UUID; a cheque has none.
    const QList<QVariantList> uids = folder.rows("SELECT book, recordKey, uid FROM RecordUids");
    QCOMPARE(uids.size(), 1);
    QCOMPARE(uids[0].mid(0, 2), (QVariantList{QStringLiteral("Phone"), folder.value("SELECT rowid FROM Phone")}));
    QVERIFY2(QRegularExpression(QStringLiteral("^urn:uuid:[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$"))
                 .match(uids[0][2].toString())
                 .hasMatch(),
             qPrintable(uids[0][2].toString()));
    QCOMPARE(folder.value("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
}

// Every change to a book, by any statement of any program, moves that book's change number
// and no other's; a statement that changes nothing moves none.
void TestUpgrade::changeNumbersFollowEveryWriter_data()
{
    QTest::addColumn<bool>("upgraded");
    QTest::newRow("a new file") << false;
    QTest::newRow("a file of the second layout, upgraded") << true;
}

void TestUpgrade::changeNumbersFollowEveryWriter()
{
    QFETCH(bool, upgraded);
    testing::AppFolder folder(false);
    QVERIFY(testing::createDatabase(folder.databasePath(), upgraded ? testing::secondLayoutSql() : QByteArray()));
    folder.exec("INSERT INTO Phone (الإسم) VALUES ('أ'), ('ب')");
    DataError error;
    QVERIFY(Database::connection(folder.databasePath(), &error).isValid());
    QCOMPARE(folder.value("PRAGMA user_version").toInt(), Upgrade::currentVersion);
    Database::closeAll();

    const auto numbers = [&] {
        QList<qint64> found;
        for (const QVariantList &row : folder.rows("SELECT changes FROM BookChanges ORDER BY book"))
            found << row.value(0).toLongLong();
        return found; // Cheque, Note, Phone
    };
    struct Step
    {
        const char *sql;
        QList<qint64> moved;
    };
    const Step steps[] = {
        {"INSERT INTO Phone (الإسم) VALUES ('ج')", {0, 0, 1}},
        {"UPDATE Phone SET المنزل = '06' WHERE الإسم = 'أ'", {0, 0, 1}},
        {"UPDATE Phone SET المنزل = '07' WHERE الإسم = 'لا أحد'", {0, 0, 0}},
        {"INSERT OR REPLACE INTO Phone (rowid, الإسم) VALUES (1, 'بدل')", {0, 0, 1}},
        {"INSERT INTO Note (الموعد) VALUES ('x'), ('y')", {0, 2, 0}},
        {"INSERT INTO Cheque (السيد, دينار) VALUES ('ب', 5)", {1, 0, 0}},
        {"UPDATE Note SET الموعد = 'z' WHERE الموعد = 'y'", {0, 1, 0}},
        {"UPDATE Cheque SET دينار = 6", {1, 0, 0}},
        {"UPDATE Cheque SET السيد = 'ج'", {1, 0, 0}},
        {"DELETE FROM Phone", {0, 0, 3}},
        {"DELETE FROM Note WHERE الموعد = 'x'", {0, 1, 0}},
        {"DELETE FROM Cheque", {1, 0, 0}},
    };
    for (const Step &step : steps) {
        const QList<qint64> before = numbers();
        folder.exec(QString::fromUtf8(step.sql));
        const QList<qint64> after = numbers();
        QCOMPARE(after.size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(after[i] - before[i], step.moved[i]);
    }
}

// A table of the user's named as the program would name its own: the file stays at its layout,
// the user's table as it was, and the books are read as before.
void TestUpgrade::aTableOfTheUsersOwnBlocksTheUpgradeUntouched()
{
    testing::AppFolder folder(false);
    QVERIFY(testing::createDatabase(folder.databasePath(), testing::secondLayoutSql()));
    folder.exec("CREATE TABLE BookChanges (mine TEXT)");
    folder.exec("INSERT INTO BookChanges VALUES ('لي')");
    folder.exec("INSERT INTO Phone (الإسم) VALUES ('سمير')");
    DataError error;
    QVERIFY(Database::connection(folder.databasePath(), &error).isValid());
    Database::closeAll();
    QCOMPARE(folder.value("PRAGMA user_version").toInt(), 2);
    QCOMPARE(folder.rows("SELECT * FROM BookChanges"), (QList<QVariantList>{{QStringLiteral("لي")}}));
    QCOMPARE(folder.value("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND name LIKE '%_changes_%'").toInt(), 0);
    QCOMPARE(folder.value("SELECT الإسم FROM Phone").toString(), QStringLiteral("سمير"));
}

// What another program writes cannot make the running sums inexact: an amount of more than
// 12 digits, or one that would carry a sum past what a whole number holds, is refused.
void TestUpgrade::hugeAmountsFromAnotherProgramAreRefused()
{
    testing::AppFolder folder;
    folder.exec("INSERT INTO Cheque (السيد, دينار, فلس) VALUES ('ب', 58, 2801)");
    const auto refused = [&](const QString &sql) {
        sqlite3 *db = nullptr;
        sqlite3_open(folder.databasePath().toUtf8().constData(), &db);
        const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return rc != SQLITE_OK;
    };
    QVERIFY(refused("INSERT INTO Cheque (السيد, دينار, فلس) VALUES ('ب', 9223372036854775807, 0)"));
    QVERIFY(refused("INSERT INTO Cheque (السيد, دينار, فلس) VALUES ('ب', 1000000000000, 0)"));
    QVERIFY(refused("INSERT INTO Cheque (السيد, دينار, فلس) VALUES ('ب', 0, -1000000000000)"));
    QVERIFY(refused("UPDATE Cheque SET فلس = 9223372036854775807"));
    QVERIFY(!refused("INSERT INTO Cheque (السيد, دينار, فلس) VALUES ('ب', 999999999999, 999999999999)"));
    QVERIFY(!refused("DELETE FROM Cheque WHERE دينار = 999999999999"));
    // The sums are whole numbers and agree with the cheques.
    QCOMPARE(folder.value("SELECT typeof(dinars) || typeof(fils) FROM ChequeGrandSums").toString(),
             QStringLiteral("integerinteger"));
    QCOMPARE(folder.rows("SELECT * FROM TotalTotal"), (QList<QVariantList>{{58, 2801}}));
}

QTEST_MAIN(TestUpgrade)
#include "tst_upgrade.moc"
