// Big books read quickly without reading wrong: counts kept between openings follow every
// write, through this program or another; pages near the end, read backwards, and records
// found from the end are the ones the table order puts there.
#include "testsupport.h"

#include "common/datacontrol.h"
#include "common/textbox.h"
#include "data/records/recordsource.h"

#include <QFile>
#include <QTest>

#include <unistd.h>

using dalil::DataControl;
using dalil::RecordSource;
using dalil::Statement;
using testing::AppFolder;

namespace {

const QString name = QStringLiteral("الإسم");
const QString payee = QStringLiteral("السيد");

using Window = testing::BoundWindow;

Statement namesFrom(const QString &prefix)
{
    return Statement::build(QStringLiteral("select * from Phone "),
                            {{QStringLiteral("where الإسم like'"), prefix + u'*'}}, QStringLiteral("order by الإسم"));
}

// Names from few distinct values, so that the name order has long runs of equal names.
void fillPhones(const AppFolder &folder, int rows)
{
    folder.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                               "INSERT INTO Phone (الإسم, المنزل) "
                               "SELECT CASE i % 3 WHEN 0 THEN 'سعد ' WHEN 1 THEN 'سالم ' ELSE 'ماجد ' END || (i % 7), "
                               "'011 ' || i FROM n")
                    .arg(rows));
}

QStringList rowsOf(RecordSource *rs, int from, int to)
{
    QStringList rows;
    for (int row = from; row < to; ++row)
        rows << rs->data(rs->index(row, 0)).toString() + u'|' + rs->data(rs->index(row, 6)).toString();
    return rows;
}

QStringList expectedRows(const AppFolder &folder, const QString &where, int from, int to)
{
    QStringList rows;
    const auto found = folder.rows(QStringLiteral("SELECT الإسم, المنزل FROM Phone %1 ORDER BY %2 LIMIT %3 OFFSET %4")
                                       .arg(where, where.isEmpty() ? QStringLiteral("rowid") : QStringLiteral("الإسم, rowid"))
                                       .arg(to - from)
                                       .arg(from));
    for (const QVariantList &row : found)
        rows << row.value(0).toString() + u'|' + row.value(1).toString();
    return rows;
}

} // namespace

class TestCountCache : public testing::BookFixture
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(testing::runAsOrdinaryUser());
    }

    void countsFollowWritesThroughTheProgram();
    void countsSeeAnotherProgramsWrites();
    void chequeTotalsAfterAWriteThroughTriggers();
    void aReopenedFileIsCountedAfresh();
    void pagesNearTheEnd_data();
    void pagesNearTheEnd();
    void recordsFoundFromTheEnd();
    void triggersOfTheUsersOwn_data();
    void triggersOfTheUsersOwn();
    void olderFilesCountWithoutChangeNumbers_data();
    void olderFilesCountWithoutChangeNumbers();

private:
    qint64 truth(const QString &where = {}) const
    {
        return folder->value(QStringLiteral("SELECT count(*) FROM Phone ") + where).toLongLong();
    }
};

void TestCountCache::countsFollowWritesThroughTheProgram()
{
    fillPhones(*folder, 600);
    Window entry(folder->databasePath(), QStringLiteral("Phone"), {name});
    Window all(folder->databasePath(), QStringLiteral("Phone"));
    Window found(folder->databasePath(), QStringLiteral("Phone"));
    found.data->Recordset()->setRecordSource(namesFrom(QStringLiteral("سعد")));
    QVERIFY(entry.rs()->open());
    QVERIFY(all.rs()->open());
    QVERIFY(found.rs()->open());
    const QString matching = QStringLiteral("WHERE الإسم LIKE 'سعد%'");
    QCOMPARE(found.rs()->RecordCount(), truth(matching));

    // Each write, then every source reopened: the counts are the table's.
    const auto check = [&] {
        QVERIFY(entry.data->Refresh());
        QVERIFY(all.data->Refresh());
        QVERIFY(found.data->Refresh());
        QCOMPARE(all.rs()->RecordCount(), truth());
        QCOMPARE(found.rs()->RecordCount(), truth(matching));
        QCOMPARE(rowsOf(found.rs(), 0, 3), expectedRows(*folder, matching, 0, 3));
    };
    QVERIFY(entry.rs()->AddNew()); // a new record that matches the search
    entry.type(name, QStringLiteral("سعد الجديد"));
    check();
    QVERIFY(entry.rs()->AddNew()); // one that does not
    entry.type(name, QStringLiteral("ماجد الجديد"));
    check();
    QVERIFY(entry.rs()->setCurrentRow(1)); // "ماجد" renamed into the search
    entry.type(name, QStringLiteral("سعد المعدل"));
    check();
    QVERIFY(entry.rs()->setCurrentRow(2)); // "سعد" renamed out of it
    entry.type(name, QStringLiteral("خالد"));
    check();
    QVERIFY(found.rs()->setCurrentRow(4)); // deleted from the search
    QVERIFY(found.rs()->Delete());
    check();
    QVERIFY(all.rs()->setCurrentRow(4)); // a "ماجد", deleted outside it
    QVERIFY(all.rs()->Delete());
    check();
}

void TestCountCache::countsSeeAnotherProgramsWrites()
{
    fillPhones(*folder, 300);
    Window list(folder->databasePath(), QStringLiteral("Phone"));
    QVERIFY(list.rs()->open());
    QCOMPARE(list.rs()->RecordCount(), 300);
    folder->exec(QStringLiteral("INSERT INTO Phone (الإسم) VALUES ('من برنامج آخر')"));
    QVERIFY(list.data->Refresh());
    QCOMPARE(list.rs()->RecordCount(), 301);
    folder->exec(QStringLiteral("DELETE FROM Phone WHERE rowid <= 10"));
    QVERIFY(list.data->Refresh());
    QCOMPARE(list.rs()->RecordCount(), 291);
    QCOMPARE(rowsOf(list.rs(), 0, 2), expectedRows(*folder, {}, 0, 2));
}

void TestCountCache::chequeTotalsAfterAWriteThroughTriggers()
{
    folder->exec(QStringLiteral("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES "
                                "('1', '2', '2010', 'أحمد', 10, 500), ('3', '4', '2011', 'سالم', 5, 700)"));
    const QStringList fields{QStringLiteral("اليوم"), QStringLiteral("الشهر"), QStringLiteral("العام"), payee,
                             QStringLiteral("دينار"), QStringLiteral("فلس")};
    Window writer(folder->databasePath(), QStringLiteral("Cheque"), fields);
    Window payees(folder->databasePath(), QStringLiteral("TotalCheque"));
    Window cheques(folder->databasePath(), QStringLiteral("Cheque"));
    QVERIFY(writer.rs()->open());
    QVERIFY(payees.rs()->open());
    QVERIFY(cheques.rs()->open());
    QCOMPARE(payees.rs()->RecordCount(), 2);

    QVERIFY(writer.rs()->AddNew());
    const QStringList typed{"5", "6", "2012", "ماجد", "20", "900"};
    for (int i = 0; i < fields.size(); ++i)
        writer.type(fields[i], typed[i]);
    QVERIFY(writer.data->Refresh());
    QVERIFY(payees.data->Refresh());
    QVERIFY(cheques.data->Refresh());
    QCOMPARE(cheques.rs()->RecordCount(), 3);
    QCOMPARE(payees.rs()->RecordCount(), 3); // the new payee's sums, written by a trigger

    QVERIFY(cheques.rs()->setCurrentRow(0));
    QVERIFY(cheques.rs()->Delete());
    QVERIFY(payees.data->Refresh());
    QVERIFY(cheques.data->Refresh());
    QCOMPARE(cheques.rs()->RecordCount(), 2);
    QCOMPARE(payees.rs()->RecordCount(), 2);
}

void TestCountCache::aReopenedFileIsCountedAfresh()
{
    fillPhones(*folder, 50);
    Window list(folder->databasePath(), QStringLiteral("Phone"));
    QVERIFY(list.rs()->open());
    QCOMPARE(list.rs()->RecordCount(), 50);
    // Another file of the same name, behind the program's back, with fewer rows.
    dalil::Database::closeAll();
    QVERIFY(QFile::remove(folder->databasePath()));
    QFile::remove(folder->databasePath() + QStringLiteral("-wal"));
    QFile::remove(folder->databasePath() + QStringLiteral("-shm"));
    QVERIFY(testing::createDatabase(folder->databasePath()));
    fillPhones(*folder, 20);
    QVERIFY(list.data->Refresh());
    QCOMPARE(list.rs()->RecordCount(), 20);
}

void TestCountCache::pagesNearTheEnd_data()
{
    QTest::addColumn<bool>("bySearch");
    QTest::addColumn<bool>("otherProgramWrites");
    QTest::newRow("table order") << false << false;
    QTest::newRow("search ordered by name, equal names") << true << false;
    QTest::newRow("table order, rows added by another program") << false << true;
    QTest::newRow("search, rows added by another program") << true << true;
}

void TestCountCache::pagesNearTheEnd()
{
    QFETCH(bool, bySearch);
    QFETCH(bool, otherProgramWrites);
    fillPhones(*folder, 1500);
    Window list(folder->databasePath(), QStringLiteral("Phone"));
    if (bySearch)
        list.rs()->setRecordSource(namesFrom(QStringLiteral("س")));
    QVERIFY(list.rs()->open());
    const QString where = bySearch ? QStringLiteral("WHERE الإسم LIKE 'س%'") : QString();
    const int count = int(list.rs()->RecordCount());
    QCOMPARE(count, truth(where));
    // Rows another program adds before a refresh: the rows near the end are still read where
    // the order puts them now, not counted back from an end that has moved.
    if (otherProgramWrites)
        folder->exec(QStringLiteral("INSERT INTO Phone (الإسم, المنزل) VALUES ('سعد 0', '000'), ('سعد 9', '999')"));
    QCOMPARE(rowsOf(list.rs(), count - 300, count), expectedRows(*folder, where, count - 300, count));
    if (otherProgramWrites) {
        QVERIFY(list.data->Refresh());
        QCOMPARE(list.rs()->RecordCount(), count + 2);
        QCOMPARE(rowsOf(list.rs(), count - 300, count + 2), expectedRows(*folder, where, count - 300, count + 2));
    }
}

void TestCountCache::recordsFoundFromTheEnd()
{
    fillPhones(*folder, 2000);
    Window entry(folder->databasePath(), QStringLiteral("Phone"), {name});
    QVERIFY(entry.rs()->open());
    // Rows deleted near the start make rowids and positions differ.
    folder->exec(QStringLiteral("DELETE FROM Phone WHERE rowid IN (3, 4, 5)"));
    QVERIFY(entry.data->Refresh());
    const qint64 key = folder->value(QStringLiteral("SELECT rowid FROM Phone ORDER BY rowid LIMIT 1 OFFSET 1990")).toLongLong();
    QVERIFY(entry.rs()->moveToKey(key));
    QCOMPARE(entry.rs()->currentRow(), 1990);
    QCOMPARE(entry.boxes[name]->text(), folder->value(QStringLiteral("SELECT الإسم FROM Phone WHERE rowid = ?"), {key}).toString());
    // Another program deletes a row before it: the record is found where the table has it now.
    folder->exec(QStringLiteral("DELETE FROM Phone WHERE rowid = 100"));
    QVERIFY(entry.rs()->moveToKey(key - 1));
    QCOMPARE(entry.rs()->currentRow(), 1988);
    QVERIFY(!entry.rs()->moveToKey(100));
}

// The user's own triggers may write a book whenever the program writes a record; whatever
// they look like, the counts kept for that book are taken again.
void TestCountCache::triggersOfTheUsersOwn_data()
{
    QTest::addColumn<QStringList>("trigger");
    QTest::addColumn<QString>("written"); // the table the program writes: Phone or Note
    QTest::newRow("a diary entry copied into the phone book, behind a comment")
        << QStringList{QStringLiteral("CREATE TRIGGER mine AFTER INSERT ON Note BEGIN "
                                      "INSERT /* copied */ INTO Phone (الإسم) VALUES ('سعد ' || NEW.الموعد); END")}
        << QStringLiteral("Note");
    QTest::newRow("a phone record that brings a second one")
        << QStringList{QStringLiteral("CREATE TRIGGER mine AFTER INSERT ON Phone WHEN NEW.الإسم NOT LIKE '%نسخة' BEGIN "
                                      "INSERT INTO Phone (الإسم) VALUES (NEW.الإسم || ' نسخة'); END")}
        << QStringLiteral("Phone");
    QTest::newRow("a diary entry that clears phone records, through a view")
        << QStringList{QStringLiteral("CREATE VIEW mine_view AS SELECT rowid AS id FROM Phone"),
                       QStringLiteral("CREATE TRIGGER mine_view_delete INSTEAD OF DELETE ON mine_view BEGIN "
                                      "DELETE FROM Phone WHERE rowid = OLD.id; END"),
                       QStringLiteral("CREATE TRIGGER mine AFTER INSERT ON Note BEGIN DELETE FROM mine_view WHERE id IN "
                                      "(SELECT rowid FROM Phone WHERE الإسم LIKE 'سعد%' LIMIT 3); END")}
        << QStringLiteral("Note");
}

void TestCountCache::triggersOfTheUsersOwn()
{
    QFETCH(QStringList, trigger);
    QFETCH(QString, written);
    fillPhones(*folder, 300);
    for (const QString &statement : trigger)
        folder->exec(statement);
    const QString field = written == u"Note" ? QStringLiteral("الموعد") : name;
    Window entry(folder->databasePath(), written, {field});
    Window all(folder->databasePath(), QStringLiteral("Phone"));
    Window found(folder->databasePath(), QStringLiteral("Phone"));
    found.rs()->setRecordSource(namesFrom(QStringLiteral("سعد")));
    QVERIFY(entry.rs()->open());
    QVERIFY(all.rs()->open());
    QVERIFY(found.rs()->open());
    const QString matching = QStringLiteral("WHERE الإسم LIKE 'سعد%'");
    for (const QString &typed : {QStringLiteral("سعد الأول"), QStringLiteral("ماجد الثاني")}) {
        QVERIFY(entry.rs()->AddNew());
        entry.type(field, typed);
        QVERIFY(entry.data->Refresh());
        QVERIFY(all.data->Refresh());
        QVERIFY(found.data->Refresh());
        QCOMPARE(all.rs()->RecordCount(), truth());
        QCOMPARE(found.rs()->RecordCount(), truth(matching));
    }
    QVERIFY(truth() != 300); // the trigger did write the phone book
}

// A file of the layout before change numbers, which cannot be brought up to date: one that
// cannot be written, or one where a table of the user's bears the name the program would use.
void TestCountCache::olderFilesCountWithoutChangeNumbers_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("read-only") << true;
    QTest::newRow("the upgrade blocked by the user's own table") << false;
}

void TestCountCache::olderFilesCountWithoutChangeNumbers()
{
    QFETCH(bool, readOnly);
    testing::AppFolder older(false);
    QVERIFY(testing::createDatabase(older.databasePath(), testing::secondLayoutSql()));
    fillPhones(older, 400);
    if (!readOnly)
        older.exec(QStringLiteral("CREATE TABLE BookChanges (mine TEXT)"));
    else
        QVERIFY(QFile::setPermissions(older.databasePath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const auto truthOf = [&](const QString &where) {
        return older.value(QStringLiteral("SELECT count(*) FROM Phone ") + where).toLongLong();
    };
    const QString matching = QStringLiteral("WHERE الإسم LIKE 'سعد%'");

    Window entry(older.databasePath(), QStringLiteral("Phone"), {name});
    Window all(older.databasePath(), QStringLiteral("Phone"));
    Window found(older.databasePath(), QStringLiteral("Phone"));
    found.rs()->setRecordSource(namesFrom(QStringLiteral("سعد")));
    QVERIFY(entry.rs()->open());
    QVERIFY(all.rs()->open());
    QVERIFY(found.rs()->open());
    QCOMPARE(older.value(QStringLiteral("PRAGMA user_version")).toInt(), 2);
    QCOMPARE(all.rs()->RecordCount(), 400);
    QCOMPARE(found.rs()->RecordCount(), truthOf(matching));

    if (!readOnly) {
        QVERIFY(entry.rs()->AddNew());
        entry.type(name, QStringLiteral("سعد الجديد"));
        QVERIFY(entry.data->Refresh());
        QVERIFY(found.rs()->setCurrentRow(2));
        QVERIFY(found.rs()->Delete());
        older.exec(QStringLiteral("INSERT INTO Phone (الإسم) VALUES ('سعد من برنامج آخر'), ('خالد')"));
    }
    QVERIFY(all.data->Refresh());
    QVERIFY(found.data->Refresh());
    QCOMPARE(all.rs()->RecordCount(), truthOf({}));
    QCOMPARE(found.rs()->RecordCount(), truthOf(matching));
    QCOMPARE(all.rs()->RecordCount(), readOnly ? 400 : 402);
    QCOMPARE(rowsOf(found.rs(), 0, 3), expectedRows(older, matching, 0, 3));
}

QTEST_MAIN(TestCountCache)
#include "tst_countcache.moc"
