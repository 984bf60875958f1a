// A DB1.mdb of an earlier layout gains what Dalil now keeps beside the books when it is
// opened, and nothing of the books changes; a file that cannot be written works as before.
#include "testsupport.h"

#include "common/form.h"
#include "data/database.h"
#include "data/upgrade.h"

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
    void anOlderFileGainsTheGuardsAndKeepsEveryRow();
    void hugeAmountsFromAnotherProgramAreRefused();
};

void TestUpgrade::anOlderFileGainsTheGuardsAndKeepsEveryRow()
{
    testing::AppFolder folder(false);
    QVERIFY(testing::createDatabase(folder.databasePath(), testing::firstLayoutSql()));
    folder.exec("INSERT INTO Phone (الإسم, المنزل) VALUES ('سمير', '06')");
    folder.exec("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES ('1', '2', '2030', 'ب', 7, 900)");
    folder.exec("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES ('3', '4', '2031', 'ب', 5, 200)");
    const auto before = folder.rows("SELECT rowid, * FROM Cheque ORDER BY rowid");
    QCOMPARE(folder.value("PRAGMA user_version").toInt(), 1);

    QVERIFY(testing::startProgram(folder));
    QTest::mouseClick(Forms::find("Form1")->findChild<QToolButton *>("Command3"), Qt::LeftButton);
    testing::stopProgram();

    QCOMPARE(folder.value("PRAGMA user_version").toInt(), Upgrade::currentVersion);
    QCOMPARE(folder.value("SELECT count(*) FROM sqlite_master WHERE name LIKE 'Cheque_amount_%'").toInt(), 2);
    QCOMPARE(folder.rows("SELECT rowid, * FROM Cheque ORDER BY rowid"), before);
    QCOMPARE(folder.rows("SELECT * FROM TotalTotal"), (QList<QVariantList>{{12, 1100}}));
    QCOMPARE(folder.value("SELECT الإسم FROM Phone").toString(), QStringLiteral("سمير"));
    QCOMPARE(folder.value("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
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
