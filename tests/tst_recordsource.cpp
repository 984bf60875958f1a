// The record-source layer: opening, pending records through refresh and moves, adding,
// deleting, the search language on real data, the cheque sums, and refused writes.
#include "testsupport.h"

#include "common/datacontrol.h"
#include "common/dbgrid.h"
#include "common/textbox.h"
#include "data/records/recordsource.h"
#include "data/store/recordwrites.h"

#include <QApplication>
#include <QFile>
#include <QTest>

using dalil::DataControl;
using dalil::DataError;
using dalil::RecordSource;
using dalil::Statement;
using testing::AppFolder;

namespace {

using Window = testing::BoundWindow;

Statement search(const QString &head, const QList<std::pair<QString, QString>> &conditions, const QString &order)
{
    QList<std::pair<QString, QString>> patterns;
    for (const auto &[fragment, text] : conditions)
        patterns.append({fragment, text + u'*'});
    return Statement::build(head, patterns, order);
}

QStringList column(RecordSource *rs, int col)
{
    QStringList values;
    for (int row = 0; row < rs->rowCount(); ++row)
        values << rs->data(rs->index(row, col)).toString();
    return values;
}

const QString name = QStringLiteral("الإسم");
const QString home = QStringLiteral("المنزل");
const QString mobile = QStringLiteral("الجوال");
const QString office = QStringLiteral("المكتب");
const QString fax = QStringLiteral("فاكس");

} // namespace

class TestRecordSource : public testing::BookFixture
{
    Q_OBJECT

private slots:
    void opensOnTheFirstRecordInTableOrder();
    void addingToAnEmptyTable();
    void aNewRecordNobodyTypedIntoIsDropped();
    void editingUpdatesOnlyTheBoundColumns();
    void movingWritesThePendingRecord();
    void moveByZeroAndPastTheEnd();
    void withoutACurrentRecordNothingBecomesPending();
    void discardingDropsTypingAndWritesNothing();
    void deletingThroughASearch();
    void deletingWithNoCurrentRecordChangesNothing();
    void searches_data();
    void searches();
    void searchTextsAreValuesNotSql();
    void chequeSumsKeepFilsApart();
    void sumsOfAnEmptyBookAreEmpty();
    void aRefusedWriteKeepsEverything();
    void twoSourcesOnOneTable();
    void unusableDatabases();
    void aRefusedFragmentNeverOpensTheWholeTable_data();
    void aRefusedFragmentNeverOpensTheWholeTable();
    void writesByIdentityWithoutAWindow();
    void controlsMovedToAnotherSourceLeaveTheFirstAlone();

private:
    void addPhones(const QList<QStringList> &rows)
    {
        for (const QStringList &r : rows)
            folder->exec(QStringLiteral("INSERT INTO Phone (الإسم, المنزل, الجوال, المكتب, فاكس) VALUES (?, ?, ?, ?, ?)"),
                         {r.value(0).isEmpty() ? QVariant() : r.value(0), r.value(1).isEmpty() ? QVariant() : r.value(1),
                          r.value(2).isEmpty() ? QVariant() : r.value(2), r.value(3).isEmpty() ? QVariant() : r.value(3),
                          r.value(4).isEmpty() ? QVariant() : r.value(4)});
    }
};

void TestRecordSource::opensOnTheFirstRecordInTableOrder()
{
    addPhones({{"زيد"}, {"أحمد"}, {"Omar"}});
    Window w(folder->databasePath(), "Phone", {name});
    QVERIFY(w.rs()->open());
    QVERIFY(!w.rs()->atEOF());
    QCOMPARE(w.rs()->RecordCount(), 3);
    QCOMPARE(w.boxes[name]->text(), QStringLiteral("زيد"));
    QCOMPARE(column(w.rs(), 0), (QStringList{"زيد", "أحمد", "Omar"}));
    QCOMPARE(w.rs()->fieldNames().value(7), QStringLiteral("ملاحظات"));
}

void TestRecordSource::addingToAnEmptyTable()
{
    Window w(folder->databasePath(), "Phone", {name, home, mobile});
    QVERIFY(w.rs()->open());
    QVERIFY(w.rs()->atEOF());
    QVERIFY(!w.rs()->MoveLast()); // fails on an empty set; the add still works
    QVERIFY(w.rs()->AddNew());
    QVERIFY(!w.rs()->atEOF());
    QCOMPARE(w.rs()->pendingState(), RecordSource::Pending::NewUnchanged);
    w.type(name, QStringLiteral("سارة"));
    w.type(mobile, QStringLiteral("0791234567"));
    QCOMPARE(w.rs()->pendingState(), RecordSource::Pending::New);
    QVERIFY(w.data->Refresh());
    QCOMPARE(w.rs()->RecordCount(), 1);
    const auto rows = folder->rows(QStringLiteral("SELECT الإسم, المنزل, الجوال, typeof(المنزل) FROM Phone"));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0][0].toString(), QStringLiteral("سارة"));
    QCOMPARE(rows[0][3].toString(), QStringLiteral("null")); // an empty box stores no value
    QCOMPARE(rows[0][2].toString(), QStringLiteral("0791234567"));
    QCOMPARE(w.boxes[name]->text(), QStringLiteral("سارة")); // back on the first record
}

void TestRecordSource::aNewRecordNobodyTypedIntoIsDropped()
{
    addPhones({{"a"}});
    Window w(folder->databasePath(), "Phone", {name});
    QVERIFY(w.rs()->open());
    QVERIFY(w.rs()->MoveLast());
    QVERIFY(w.rs()->AddNew());
    QCOMPARE(w.boxes[name]->text(), QString());
    QVERIFY(w.data->Refresh());
    QCOMPARE(folder->value("SELECT count(*) FROM Phone").toInt(), 1);
}

void TestRecordSource::editingUpdatesOnlyTheBoundColumns()
{
    addPhones({{"a", "1", "2", "3", "fax"}, {"b"}});
    Window w(folder->databasePath(), "Phone", {name, home});
    QVERIFY(w.rs()->open());
    w.type(home, QStringLiteral("999"));
    QCOMPARE(w.rs()->pendingState(), RecordSource::Pending::Edited);
    QVERIFY(w.data->Refresh());
    auto rows = folder->rows("SELECT الإسم, المنزل, الجوال, فاكس FROM Phone ORDER BY rowid");
    QCOMPARE(rows[0], (QVariantList{"a", "999", "2", "fax"}));
    QCOMPARE(rows[1][0].toString(), QStringLiteral("b"));

    // A box emptied by the user stores no value, not an empty text, so no search finds it.
    w.type(home, QString());
    QVERIFY(w.data->Refresh());
    rows = folder->rows("SELECT typeof(المنزل), الإسم FROM Phone ORDER BY rowid");
    QCOMPARE(rows[0], (QVariantList{"null", "a"}));
}

void TestRecordSource::movingWritesThePendingRecord()
{
    addPhones({{"a"}, {"b"}, {"c"}});
    Window w(folder->databasePath(), "Phone", {name});
    QVERIFY(w.rs()->open());
    w.type(name, QStringLiteral("A"));
    QVERIFY(w.rs()->MoveNext());
    QCOMPARE(w.rs()->pendingState(), RecordSource::Pending::None);
    QCOMPARE(w.boxes[name]->text(), QStringLiteral("b"));
    QCOMPARE(folder->value("SELECT الإسم FROM Phone WHERE rowid = 1").toString(), QStringLiteral("A"));

    // A new record is written by the move to the last record too.
    QVERIFY(w.rs()->AddNew());
    w.type(name, QStringLiteral("d"));
    QVERIFY(w.rs()->MoveLast());
    QCOMPARE(w.rs()->RecordCount(), 4);
    QCOMPARE(w.boxes[name]->text(), QStringLiteral("d"));

    // The navigation bar stops at both ends.
    QVERIFY(w.rs()->MoveNext());
    QCOMPARE(w.rs()->currentRow(), 3);
    QVERIFY(w.rs()->MoveFirst());
    QVERIFY(w.rs()->MovePrevious());
    QCOMPARE(w.rs()->currentRow(), 0);
}

void TestRecordSource::moveByZeroAndPastTheEnd()
{
    addPhones({{"a"}, {"b"}, {"c"}});
    Window w(folder->databasePath(), "Phone", {name});
    QVERIFY(w.rs()->open());
    QVERIFY(w.rs()->Move(0));
    QCOMPARE(w.rs()->currentRow(), 0);
    QVERIFY(w.rs()->Move(2));
    QCOMPARE(w.boxes[name]->text(), QStringLiteral("c"));
    QVERIFY(w.rs()->Move(5));
    QVERIFY(w.rs()->atEOF());
    QCOMPARE(w.boxes[name]->text(), QString());
    QVERIFY(!w.rs()->Move(1)); // from no current record a move fails
    QVERIFY(w.rs()->MoveFirst());
    QVERIFY(w.rs()->Move(-3));
    QVERIFY(w.rs()->atEOF());
}

void TestRecordSource::withoutACurrentRecordNothingBecomesPending()
{
    Window w(folder->databasePath(), "Phone", {name, home});
    QVERIFY(w.rs()->open());
    QVERIFY(w.rs()->atEOF());
    w.type(name, QStringLiteral("x"));
    w.type(home, QStringLiteral("1"));
    QCOMPARE(w.rs()->pendingState(), RecordSource::Pending::None);
    // The typing had nowhere to go: the save says so instead of writing nothing in silence,
    // and the boxes keep what was typed.
    QVERIFY(!w.data->Refresh());
    QCOMPARE(w.rs()->lastError().kind, DataError::Kind::NoCurrentRecord);
    QCOMPARE(folder->value("SELECT count(*) FROM Phone").toInt(), 0);
    QCOMPARE(w.boxes[name]->text(), QStringLiteral("x"));
    // Emptied again, there is nothing to lose.
    w.type(name, QString());
    QVERIFY(!w.data->Refresh());
    w.type(home, QString());
    QVERIFY(w.data->Refresh());
}

void TestRecordSource::discardingDropsTypingAndWritesNothing()
{
    addPhones({{"keep", "1"}});
    Window w(folder->databasePath(), "Phone", {name, home});
    QVERIFY(w.rs()->open());
    w.type(name, QString());
    w.type(home, QString());
    QCOMPARE(w.rs()->pendingState(), RecordSource::Pending::Edited);
    w.rs()->discardPending();
    QCOMPARE(w.boxes[name]->text(), QStringLiteral("keep"));
    w.rs()->close();
    QCOMPARE(folder->rows("SELECT الإسم, المنزل FROM Phone").value(0), (QVariantList{"keep", "1"}));

    Window adding(folder->databasePath(), "Phone", {name});
    QVERIFY(adding.rs()->open());
    QVERIFY(adding.rs()->AddNew());
    adding.type(name, QStringLiteral("half typed"));
    adding.rs()->discardPending();
    QVERIFY(adding.data->Refresh());
    QCOMPARE(folder->value("SELECT count(*) FROM Phone").toInt(), 1);
}

void TestRecordSource::deletingThroughASearch()
{
    addPhones({{"Ali"}, {"Bob"}, {"Alia"}});
    Window w(folder->databasePath(), "Phone", {});
    w.data->setRecordSource(search("select * from Phone ", {{"where الإسم like'", "Ali"}}, "order by الإسم"));
    QVERIFY(w.rs()->open());
    QCOMPARE(w.rs()->RecordCount(), 2);
    QVERIFY(w.rs()->Move(1));
    QVERIFY(w.rs()->Delete());
    QVERIFY(w.data->Refresh());
    QCOMPARE(column(w.rs(), 0), QStringList{"Ali"});
    QCOMPARE(folder->rows("SELECT الإسم FROM Phone ORDER BY rowid").size(), 2);
    QCOMPARE(folder->value("SELECT count(*) FROM Phone WHERE الإسم = 'Alia'").toInt(), 0);
}

void TestRecordSource::deletingWithNoCurrentRecordChangesNothing()
{
    addPhones({{"a"}});
    Window w(folder->databasePath(), "Phone", {});
    w.data->setRecordSource(search("select * from Phone ", {{"where الإسم like'", "zzz"}}, "order by الإسم"));
    QVERIFY(w.rs()->open());
    QVERIFY(w.rs()->atEOF());
    QVERIFY(!w.rs()->Delete());
    QCOMPARE(w.rs()->lastError().kind, DataError::Kind::NoCurrentRecord);
    QCOMPARE(folder->value("SELECT count(*) FROM Phone").toInt(), 1);
}

void TestRecordSource::searches_data()
{
    QTest::addColumn<QString>("head");
    QTest::addColumn<QStringList>("fragments");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QStringList>("names");

    const QString byName = QStringLiteral("where الإسم like'");
    QTest::newRow("prefix, ordered by name") << "select * from Phone " << QStringList{byName} << QStringList{"A"}
                                            << "order by الإسم" << QStringList{"ahmad", "Ali", "Alia"};
    QTest::newRow("empty text lists every named record")
        << "select * from Phone " << QStringList{byName} << QStringList{""} << "order by الإسم"
        << QStringList{"زيد", "ahmad", "Ali", "Alia", "Bob", "O'Neil", "x_y", "x%y"}; // Arabic first, as ICU orders
    QTest::newRow("apostrophe found literally") << "select * from Phone " << QStringList{byName}
                                               << QStringList{"O'N"} << "order by الإسم" << QStringList{"O'Neil"};
    QTest::newRow("percent is literal") << "select * from Phone " << QStringList{byName} << QStringList{"x%"}
                                       << "order by الإسم" << QStringList{"x%y"};
    QTest::newRow("underscore is literal") << "select * from Phone " << QStringList{byName} << QStringList{"x_"}
                                          << "order by الإسم" << QStringList{"x_y"};
    QTest::newRow("star is the wildcard") << "select * from Phone " << QStringList{byName} << QStringList{"*li"}
                                         << "order by الإسم" << QStringList{"Ali", "Alia"};
    QTest::newRow("question mark is one character")
        << "select * from Phone " << QStringList{byName} << QStringList{"x?y"} << "order by الإسم"
        << QStringList{"x_y", "x%y"};
    QTest::newRow("Arabic prefix") << "select * from Phone " << QStringList{byName} << QStringList{"ز"}
                                  << "order by الإسم" << QStringList{"زيد"};
    QTest::newRow("number on home, mobile or office, not fax")
        << "select * from Phone "
        << QStringList{"where المنزل like'", "OR الجوال Like'", "OR المكتب Like'"} << QStringList{"07", "07", "07"}
        << "order by الإسم" << QStringList{"", "زيد", "Ali", "Bob"}; // a record without a name sorts first
    QTest::newRow("nothing found") << "select * from Phone " << QStringList{byName} << QStringList{"qq"}
                                  << "order by الإسم" << QStringList{};
}

void TestRecordSource::searches()
{
    QFETCH(QString, head);
    QFETCH(QStringList, fragments);
    QFETCH(QStringList, texts);
    QFETCH(QString, order);
    QFETCH(QStringList, names);

    addPhones({{"زيد", "07111"}, {"Bob", "", "0799"}, {"Ali", "", "", "07"}, {"Alia", "", "", "", "07fax"},
               {"ahmad"}, {"O'Neil"}, {"x%y"}, {"x_y"}, {"", "0700"}});
    QList<std::pair<QString, QString>> conditions;
    for (int i = 0; i < fragments.size(); ++i)
        conditions.append({fragments[i], texts[i]});
    Window w(folder->databasePath(), "Phone", {});
    w.data->setRecordSource(search(head, conditions, order));
    QVERIFY(w.rs()->open());
    QCOMPARE(column(w.rs(), 0), names);
    QCOMPARE(w.rs()->RecordCount(), names.size());
    QCOMPARE(w.rs()->atEOF(), names.isEmpty());
}

void TestRecordSource::searchTextsAreValuesNotSql()
{
    addPhones({{"a"}});
    Window w(folder->databasePath(), "Phone", {});
    for (const QString &text : {QStringLiteral("'; DROP TABLE Phone; --"), QStringLiteral("' OR '1'='1"),
                                QStringLiteral("["), QStringLiteral("\\")}) {
        w.data->setRecordSource(search("select * from Phone ", {{"where الإسم like'", text}}, "order by الإسم"));
        QVERIFY2(w.rs()->open(), qPrintable(text));
        QVERIFY(w.rs()->atEOF());
    }
    QCOMPARE(folder->value("SELECT count(*) FROM Phone").toInt(), 1);
}

void TestRecordSource::chequeSumsKeepFilsApart()
{
    folder->exec("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES "
                 "('1','1','2002','Sami',5,700), ('10','12','2003','Sam',1,900), ('2','3','2002','Sami',2,800)");
    Window sums(folder->databasePath(), "TotalCheque", {});
    sums.data->setRecordSource(search("select * from TotalCheque ", {{"where السيد like'", "Sam"}}, "order by السيد"));
    QVERIFY(sums.rs()->open());
    QCOMPARE(sums.rs()->fieldNames(), (QStringList{"السيد", "Sum من دينار", "Sum من فلس"}));
    QCOMPARE(sums.rs()->fieldText("السيد"), QStringLiteral("Sam"));
    QVERIFY(sums.rs()->MoveNext());
    QCOMPARE(sums.rs()->fieldText("Sum من دينار"), QStringLiteral("7"));
    QCOMPARE(sums.rs()->fieldText("Sum من فلس"), QStringLiteral("1500")); // never carried

    Window total(folder->databasePath(), "TotalTotal", {});
    QVERIFY(total.rs()->open());
    QCOMPARE(total.rs()->fieldText("Sum من دينار"), QStringLiteral("8"));
    QCOMPARE(total.rs()->fieldText("Sum من فلس"), QStringLiteral("2400"));

    // Date search: "1" in the day box finds days 1 and 10 to 19.
    Window dates(folder->databasePath(), "Cheque", {});
    dates.data->setRecordSource(search("select * from Cheque ",
                                       {{"where اليوم like'", "1"}, {"AND الشهر Like'", ""}, {"AND العام Like'", ""}},
                                       "order by السيد"));
    QVERIFY(dates.rs()->open());
    QCOMPARE(column(dates.rs(), 0), (QStringList{"10", "1"}));
}

void TestRecordSource::sumsOfAnEmptyBookAreEmpty()
{
    Window total(folder->databasePath(), "TotalTotal", {});
    QVERIFY(total.rs()->open());
    QCOMPARE(total.rs()->RecordCount(), 1);
    QCOMPARE(total.rs()->fieldText("Sum من دينار"), QString());
    QVERIFY(total.rs()->fieldValue("Sum من فلس").isNull());

    Window sums(folder->databasePath(), "TotalCheque", {});
    QVERIFY(sums.rs()->open());
    QVERIFY(sums.rs()->atEOF());
    QCOMPARE(sums.rs()->fieldText("Sum من دينار"), QString());
}

void TestRecordSource::aRefusedWriteKeepsEverything()
{
    Window w(folder->databasePath(), "Cheque", {"السيد", "دينار", "فلس"});
    QVERIFY(w.rs()->open());
    QVERIFY(w.rs()->AddNew());
    w.type("السيد", QStringLiteral("Sami"));
    w.type("دينار", QStringLiteral("abc"));
    w.type("فلس", QStringLiteral("1.5"));
    QVERIFY(!w.data->Refresh());
    QCOMPARE(w.rs()->lastError().kind, DataError::Kind::Refused);
    QCOMPARE(w.rs()->pendingState(), RecordSource::Pending::New);
    QCOMPARE(w.boxes["دينار"]->text(), QStringLiteral("abc"));
    QCOMPARE(folder->value("SELECT count(*) FROM Cheque").toInt(), 0);
    QVERIFY(folder->value("SELECT \"Sum من دينار\" FROM TotalTotal").isNull());

    w.type("دينار", QStringLiteral("12"));
    w.type("فلس", QStringLiteral("1500"));
    QVERIFY(w.data->Refresh());
    QCOMPARE(folder->rows("SELECT السيد, دينار, فلس FROM Cheque").value(0), (QVariantList{"Sami", 12, 1500}));
}

void TestRecordSource::twoSourcesOnOneTable()
{
    Window list(folder->databasePath(), "Phone", {});
    Window entry(folder->databasePath(), "Phone", {name});
    QVERIFY(list.rs()->open());
    QVERIFY(entry.rs()->open());
    QVERIFY(entry.rs()->AddNew());
    entry.type(name, QStringLiteral("new"));
    QVERIFY(entry.data->Refresh());
    QCOMPARE(list.rs()->RecordCount(), 0); // seen only once refreshed
    QVERIFY(list.data->Refresh());
    QCOMPARE(column(list.rs(), 0), QStringList{"new"});

    // A write to one book leaves another book's open list as it was read.
    Window cheques(folder->databasePath(), "Cheque", {});
    QVERIFY(cheques.rs()->open());
    QVERIFY(entry.rs()->AddNew());
    entry.type(name, QStringLiteral("newer"));
    QVERIFY(entry.data->Refresh());
    QVERIFY(list.rs()->isStale());
    QVERIFY(!cheques.rs()->isStale());
}

void TestRecordSource::unusableDatabases()
{
    const QString missing = folder->path() + QStringLiteral("/none/DB1.mdb");
    Window a(missing, "Phone", {});
    QVERIFY(!a.rs()->open());
    QCOMPARE(a.rs()->lastError().kind, DataError::Kind::Missing);
    QCOMPARE(a.rs()->lastError().path, missing);
    QVERIFY(!QFile::exists(missing)); // never created behind the user's back
    QVERIFY(!a.rs()->AddNew());

    const QString garbage = folder->path() + QStringLiteral("/garbage.mdb");
    QFile file(garbage);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    Window b(garbage, "Phone", {});
    QVERIFY(!b.rs()->open());
    QCOMPARE(b.rs()->lastError().kind, DataError::Kind::NotADatabase);
    QCOMPARE(QFileInfo(garbage).size(), 4096);

    folder->exec("DROP VIEW TotalTotal");
    Window c(folder->databasePath(), "TotalTotal", {});
    QVERIFY(!c.rs()->open());
    QCOMPARE(c.rs()->lastError().kind, DataError::Kind::MissingObject);
    QCOMPARE(c.rs()->lastError().object, QStringLiteral("TotalTotal"));
}

void TestRecordSource::aRefusedFragmentNeverOpensTheWholeTable_data()
{
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<QString>("order");
    QTest::newRow("condition mistyped") << QStringLiteral("where الإسم lik'") << QStringLiteral("order by الإسم");
    QTest::newRow("condition that is not the first opened with OR") << QStringLiteral("OR الإسم like'")
                                                                     << QStringLiteral("order by الإسم");
    QTest::newRow("order mistyped") << QStringLiteral("where الإسم like'") << QStringLiteral("order الإسم");
}

void TestRecordSource::aRefusedFragmentNeverOpensTheWholeTable()
{
    QFETCH(QString, fragment);
    QFETCH(QString, order);
    addPhones({{"Ali"}, {"Bob"}, {"Alia"}});
    auto statement = Statement::fromFragments(QStringLiteral("select * from Phone "));
    QVERIFY(statement);
    const bool taken = statement->addCondition(fragment, QStringLiteral("Ali*")) && statement->setOrder(order);
    QVERIFY(!taken);

    Window w(folder->databasePath(), "Phone", {name});
    QVERIFY(w.rs()->open());
    QCOMPARE(w.rs()->RecordCount(), 3);
    w.data->setRecordSource(*statement);
    QVERIFY(!w.data->Refresh());
    QCOMPARE(w.rs()->lastError().kind, DataError::Kind::Other);
    QVERIFY(w.rs()->lastError().detail.contains(statement->refusedFragment()));
    QCOMPARE(w.rs()->RecordCount(), 0);
    QCOMPARE(w.rs()->rowCount(), 0);
    QVERIFY(w.rs()->atEOF());
    QCOMPARE(w.boxes[name]->text(), QString());
}

void TestRecordSource::writesByIdentityWithoutAWindow()
{
    namespace Records = dalil::Records;
    const QString path = folder->databasePath();
    const QString phone = QStringLiteral("Phone");

    // Insert: the new key, one row, empty text stored as no value.
    const Records::WriteResult added =
        Records::insert(path, phone, {{name, QStringLiteral("سعاد")}, {home, QString()}, {mobile, QStringLiteral("079")}});
    QVERIFY2(added.ok(), qPrintable(added.error.detail));
    QCOMPARE(added.rowsTouched, 1);
    QVERIFY(added.key);
    QCOMPARE(folder->rows(QStringLiteral("SELECT الإسم, typeof(المنزل), الجوال FROM Phone WHERE rowid = ?"), {*added.key}),
             (QList<QVariantList>{{QStringLiteral("سعاد"), QStringLiteral("null"), QStringLiteral("079")}}));

    // Update against the values as read: only the named columns change.
    Records::Values asRead{{name, QStringLiteral("سعاد")}, {home, QVariant()}, {mobile, QStringLiteral("079")}};
    Records::WriteResult changed = Records::update(path, phone, *added.key, {{mobile, QStringLiteral("078")}}, asRead);
    QVERIFY2(changed.ok(), qPrintable(changed.error.detail));
    QCOMPARE(changed.rowsTouched, 1);
    folder->exec(QStringLiteral("UPDATE Phone SET فاكس = 'من برنامج آخر' WHERE rowid = ?"), {*added.key});
    changed = Records::update(path, phone, *added.key, {{home, QStringLiteral("06")}});
    QVERIFY(changed.ok());
    QCOMPARE(folder->rows(QStringLiteral("SELECT الإسم, المنزل, الجوال, فاكس FROM Phone WHERE rowid = ?"), {*added.key}),
             (QList<QVariantList>{{QStringLiteral("سعاد"), QStringLiteral("06"), QStringLiteral("078"),
                                   QStringLiteral("من برنامج آخر")}}));

    // A record changed since it was read: refused, the file untouched, and what it holds now told.
    asRead[mobile] = QStringLiteral("078");
    changed = Records::update(path, phone, *added.key, {{name, QStringLiteral("غيرها")}}, asRead);
    QCOMPARE(changed.error.kind, DataError::Kind::Conflict);
    QCOMPARE(changed.rowsTouched, 0);
    QCOMPARE(changed.stored.value(home).toString(), QStringLiteral("06"));
    QCOMPARE(changed.stored.value(fax).toString(), QStringLiteral("من برنامج آخر"));
    QCOMPARE(folder->value(QStringLiteral("SELECT الإسم FROM Phone WHERE rowid = ?"), {*added.key}).toString(),
             QStringLiteral("سعاد"));

    // Remove, then every write to the record finds it gone and touches nothing.
    const Records::WriteResult removed = Records::remove(path, phone, *added.key);
    QVERIFY(removed.ok());
    QCOMPARE(removed.rowsTouched, 1);
    for (const Records::WriteResult &late :
         {Records::remove(path, phone, *added.key), Records::update(path, phone, *added.key, {{name, QStringLiteral("x")}}),
          Records::update(path, phone, *added.key, {{name, QStringLiteral("x")}}, asRead)}) {
        QCOMPARE(late.error.kind, DataError::Kind::RecordGone);
        QCOMPARE(late.rowsTouched, 0);
    }
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM Phone")).toInt(), 0);

    // A value the file refuses is reported as refused.
    const Records::WriteResult refused = Records::insert(path, QStringLiteral("Cheque"), {{QStringLiteral("دينار"), QStringLiteral("abc")}});
    QCOMPARE(refused.error.kind, DataError::Kind::Refused);
    QCOMPARE(refused.rowsTouched, 0);
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM Cheque")).toInt(), 0);
}

void TestRecordSource::controlsMovedToAnotherSourceLeaveTheFirstAlone()
{
    addPhones({{"first"}, {"second"}, {"third"}});
    Window before(folder->databasePath(), "Phone", {name});
    Window after(folder->databasePath(), "Phone", {});
    auto *grid = new dalil::DBGrid(QStringLiteral("DBGrid1"), &before.widget);
    grid->setDataSource(before.data);
    QVERIFY(before.rs()->open());
    QVERIFY(after.rs()->open());

    dalil::BoundTextBox *box = before.boxes.value(name);
    box->setDataSource(after.data);
    box->setDataField(name);
    grid->setDataSource(after.data);
    QVERIFY(after.rs()->setCurrentRow(2));
    QCOMPARE(box->text(), QStringLiteral("third"));
    QCOMPARE(grid->view()->currentIndex().row(), 2);

    // The source the controls left moves, reopens and ends: they show what the new one holds.
    QVERIFY(before.rs()->MoveNext());
    QVERIFY(before.data->Refresh());
    before.rs()->close();
    QCOMPARE(box->text(), QStringLiteral("third"));
    QCOMPARE(grid->view()->currentIndex().row(), 2);
    QCOMPARE(grid->model()->rowCount(), 3);

    // Typing goes into the new source's record, and only there.
    QVERIFY(before.rs()->open());
    testing::typeText(box, QStringLiteral("!"));
    QCOMPARE(after.rs()->pendingState(), RecordSource::Pending::Edited);
    QCOMPARE(before.rs()->pendingState(), RecordSource::Pending::None);
    QVERIFY(after.data->Refresh());
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM Phone WHERE الإسم = 'third!'")).toInt(), 1);
}

QTEST_MAIN(TestRecordSource)
#include "tst_recordsource.moc"
