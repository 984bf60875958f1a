// Searches find a name however it is spelled, and lists are in Arabic order, for rows written
// by Dalil and by any other program alike; an older file gains the keys and keeps every row.
#include "testsupport.h"

#include "data/records/recordmodel.h"
#include "data/store/countcache.h"
#include "data/store/database.h"
#include "data/store/recordwrites.h"
#include "data/store/searchkeys.h"
#include "data/store/statement.h"
#include "data/store/upgrade.h"
#include "common/dbgrid.h"
#include "common/form.h"
#include "common/textbox.h"
#include "phonebook/form2.h"
#include "shell/form1.h"

#include <QCollator>
#include <QListWidget>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QSqlError>
#include <QTest>

#include <unistd.h>

using namespace dalil;

namespace {

const QString nameSearch = QStringLiteral("where الإسم like'");
const QString byName = QStringLiteral("order by الإسم");

// The first column of every row of a search, as the list shows them.
QStringList searched(const QString &path, const QString &head, const QList<std::pair<QString, QString>> &conditions,
                     const QString &order, int column = 0)
{
    RecordModel model;
    model.setDatabaseName(path);
    model.setSource({}, Statement::build(head, conditions, order));
    if (model.load().isError())
        return {QStringLiteral("(failed to open)")};
    QStringList rows;
    for (qint64 i = 0; i < model.count(); ++i)
        rows << model.rowAt(i)->values.value(column).toString();
    return rows;
}

QStringList phonesNamed(const QString &path, const QString &pattern)
{
    return searched(path, QStringLiteral("select * from Phone "), {{nameSearch, pattern}}, byName);
}

QStringList collated(QStringList names)
{
    const QCollator collator{QLocale(QLocale::Arabic)};
    std::stable_sort(names.begin(), names.end(), [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    return names;
}

const QStringList spellings{
    QStringLiteral("أحمد العلي"), QStringLiteral("احمد سالم"), QStringLiteral("إبراهيم"), QStringLiteral("آمنة"),
    QStringLiteral("ٱلنور"), QStringLiteral("مُحمّد"), QStringLiteral("محمد"), QStringLiteral("يحيى"),
    QStringLiteral("یحیی"), QStringLiteral("فاطمة"), QStringLiteral("فاطمه"), QStringLiteral("عـــلي"),
    QStringLiteral("\u200Fسمير"), QStringLiteral("Ahmad"), QStringLiteral("AHMED"), QStringLiteral("O'Neil"),
    QStringLiteral("٠٧٩ مكتب"), QStringLiteral("079 بيت"), QStringLiteral("۰۷۹ فارسي"), QStringLiteral("قرآن"),
};

} // namespace

class TestSearchKeys : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(testing::runAsOrdinaryUser());
    }
    void init()
    {
        folder = std::make_unique<testing::AppFolder>();
        // The keys come with the first opening by the program, as for every new book.
        DataError error;
        QVERIFY(Database::connection(folder->databasePath(), &error).isValid());
    }
    void cleanup()
    {
        testing::stopProgram();
        Database::closeAll();
        folder.reset();
    }

    void namesFoundHoweverSpelled_data();
    void namesFoundHoweverSpelled();
    void numbersFoundInEitherDigits();
    void sqlAndProgramFoldEveryCharacterAlike();
    void listsAreInArabicOrder();
    void rowsOfAnotherProgramAreFoundAndOrdered();
    void orderedSetsFollowEveryWrite();
    void broadSetsShowTheirFirstRowsAndReadTheRestBeside_data();
    void broadSetsShowTheirFirstRowsAndReadTheRestBeside();
    void searchesOutliveADroppedKeyIndex();
    void searchesWalkTheKeyIndexes();
    void anOlderFileGainsTheKeysAndKeepsEveryRow();
    void aReadOnlyOlderFileSearchesAsBefore();
    void aBigOlderBookShowsItsUpgrade();
    void theUserIsToldOnceThatSearchesAreExact();

private:
    void addNames(const QStringList &names)
    {
        for (const QString &name : names)
            QVERIFY(Records::insert(folder->databasePath(), QStringLiteral("Phone"),
                                    {{QStringLiteral("الإسم"), name}, {QStringLiteral("المنزل"), QStringLiteral("06")}})
                        .ok());
    }
    std::unique_ptr<testing::AppFolder> folder;
};

void TestSearchKeys::namesFoundHoweverSpelled_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("found");
    // Written by hand: what an Arabic reader takes for the same beginning of a name.
    QTest::newRow("bare alef finds hamza forms") << "احمد" << QStringList{"أحمد العلي", "احمد سالم"};
    QTest::newRow("hamza alef finds bare alef") << "أحمد" << QStringList{"أحمد العلي", "احمد سالم"};
    QTest::newRow("alef below, madda, wasla") << "ا" << QStringList{"آمنة", "إبراهيم", "أحمد العلي", "احمد سالم", "ٱلنور"};
    QTest::newRow("marks ignored on both sides") << "محمد" << QStringList{"محمد", "مُحمّد"};
    QTest::newRow("typed marks ignored") << "مُحَمَّد" << QStringList{"محمد", "مُحمّد"};
    QTest::newRow("alef maksura and Farsi yeh") << "يحيي" << QStringList{"يحيى", "یحیی"};
    QTest::newRow("teh marbuta and heh") << "فاطمه" << QStringList{"فاطمة", "فاطمه"};
    QTest::newRow("tatweel ignored") << "علي" << QStringList{"عـــلي"};
    QTest::newRow("direction mark ignored") << "سمير" << QStringList{"\u200Fسمير"};
    QTest::newRow("dagger alef and madda in a stored name") << "قران" << QStringList{"قرآن"};
    QTest::newRow("Latin case") << "ah" << QStringList{"Ahmad", "AHMED"};
    QTest::newRow("digits of both shapes") << "079" << QStringList{"٠٧٩ مكتب", "079 بيت", "۰۷۹ فارسي"};
    QTest::newRow("Arabic-Indic digits typed") << "٠٧٩ ب" << QStringList{"079 بيت"};
    QTest::newRow("wildcard with folded letters") << "*ة" << QStringList{"آمنة", "إبراهيم", "فاطمة", "فاطمه"};
    QTest::newRow("one character wildcard") << "?حمد" << QStringList{"أحمد العلي", "احمد سالم", "محمد", "مُحمّد"};
    QTest::newRow("apostrophe literally") << "o'" << QStringList{"O'Neil"};
    QTest::newRow("nothing") << "احمدي" << QStringList{};
}

void TestSearchKeys::namesFoundHoweverSpelled()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, found);
    addNames(spellings);
    // Every search takes its text as a prefix: the window adds the "*".
    QCOMPARE(phonesNamed(folder->databasePath(), typed + u'*'), collated(found));
    // What is stored stays exactly what was typed.
    QCOMPARE(folder->value("SELECT count(*) FROM Phone WHERE الإسم = 'مُحمّد'").toInt(), 1);
}

void TestSearchKeys::numbersFoundInEitherDigits()
{
    const QString path = folder->databasePath();
    QVERIFY(Records::insert(path, QStringLiteral("Phone"), {{QStringLiteral("الإسم"), QStringLiteral("مكتب")}, {QStringLiteral("المكتب"), QStringLiteral("٠٧٩١٢٣")}}).ok());
    QVERIFY(Records::insert(path, QStringLiteral("Phone"), {{QStringLiteral("الإسم"), QStringLiteral("جوال")}, {QStringLiteral("الجوال"), QStringLiteral("0791")}}).ok());
    QVERIFY(Records::insert(path, QStringLiteral("Phone"), {{QStringLiteral("الإسم"), QStringLiteral("فاكس")}, {QStringLiteral("فاكس"), QStringLiteral("0791")}}).ok());
    const QString head = QStringLiteral("select * from Phone ");
    for (const QString &typed : {QStringLiteral("079*"), QStringLiteral("٠٧٩*"), QStringLiteral("۰۷۹*")}) {
        QCOMPARE(searched(path, head, {{QStringLiteral("where المنزل like'"), typed}, {QStringLiteral("OR الجوال Like'"), typed},
                                       {QStringLiteral("OR المكتب Like'"), typed}}, byName),
                 collated({QStringLiteral("مكتب"), QStringLiteral("جوال")}));
    }
    // Cheques by payee, their per-payee sums and by date, with the digits the user types (a
    // cheque without a day or month is not found by date: "*" matches no empty value).
    QVERIFY(Records::insert(path, QStringLiteral("Cheque"), {{QStringLiteral("السيد"), QStringLiteral("يحيى")}, {QStringLiteral("العام"), QStringLiteral("٢٠٢٤")}, {QStringLiteral("دينار"), 5}}).ok());
    QVERIFY(Records::insert(path, QStringLiteral("Cheque"), {{QStringLiteral("السيد"), QStringLiteral("يحيي")}, {QStringLiteral("العام"), QStringLiteral("2024")}, {QStringLiteral("دينار"), 7}}).ok());
    const QString cheques = QStringLiteral("select * from Cheque ");
    QCOMPARE(searched(path, cheques, {{QStringLiteral("where السيد like'"), QStringLiteral("يحيي*")}}, QStringLiteral("order by السيد"), 3).size(), 2);
    QCOMPARE(searched(path, cheques, {{QStringLiteral("where اليوم like'"), QStringLiteral("*")}, {QStringLiteral("AND الشهر Like'"), QStringLiteral("*")},
                                      {QStringLiteral("AND العام Like'"), QStringLiteral("٢٠٢*")}}, QStringLiteral("order by السيد"), 3).size(), 0);
    const QString totals = QStringLiteral("select * from TotalCheque ");
    const QList<std::pair<QString, QString>> payee{{QStringLiteral("where السيد like'"), QStringLiteral("يحيي*")}};
    const QStringList payees = searched(path, totals, payee, QStringLiteral("order by السيد"), 0);
    QCOMPARE(payees, collated({QStringLiteral("يحيى"), QStringLiteral("يحيي")}));
    const QStringList sums = payees.value(0) == u"يحيى" ? QStringList{"5", "7"} : QStringList{"7", "5"};
    QCOMPARE(searched(path, totals, payee, QStringLiteral("order by السيد"), 1), sums);
}

void TestSearchKeys::sqlAndProgramFoldEveryCharacterAlike()
{
    // Every character of the Basic Multilingual Plane (but the surrogates and NUL) written by
    // another program, so that the file's own triggers fold it; Dalil folds it the same way.
    QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
    {
        other.setDatabaseName(folder->databasePath());
        QVERIFY(other.open());
        QSqlQuery insert(other);
        QVERIFY(insert.exec(QStringLiteral("BEGIN")));
        QVERIFY(insert.prepare(QStringLiteral("INSERT INTO Phone (rowid, الإسم, المكتب) VALUES (?, ?, ?)")));
        for (int c = 1; c < 0x10000; ++c) {
            if ((c >= 0xD800 && c <= 0xDFFF) || c >= 0xFFFE)
                continue; // not characters: no text holds them
            const QString text = QStringLiteral("a") + QChar(c) + QStringLiteral("B");
            insert.bindValue(0, c);
            insert.bindValue(1, text);
            insert.bindValue(2, text);
            QVERIFY(insert.exec());
        }
        QVERIFY(insert.exec(QStringLiteral("COMMIT")));
        QSqlQuery keys(other);
        QVERIFY(keys.exec(QStringLiteral("SELECT id, name, office FROM PhoneKeys ORDER BY id")));
        int checked = 0;
        while (keys.next()) {
            const int c = keys.value(0).toInt();
            const QString expected = SearchKeys::fold(QStringLiteral("a") + QChar(c) + QStringLiteral("B"));
            if (keys.value(1).toString() != expected || keys.value(2).toString() != expected)
                QFAIL(qPrintable(QStringLiteral("U+%1 folds to \"%2\" in SQL, \"%3\" in the program")
                                     .arg(c, 4, 16, QLatin1Char('0')).arg(keys.value(1).toString(), expected)));
            ++checked;
        }
        QCOMPARE(checked, 0xFFFD - 0x800);
    }
    other.close();
    other = {};
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    // A few folds by hand, so that both sides cannot agree on something wrong.
    QCOMPARE(SearchKeys::fold(QStringLiteral("أإآٱ ىی ة ـ ً ٰ \u200F\u2066 ٠٩۰۹ AbZ")), QStringLiteral("اااا يي ه     0909 abz"));
}

void TestSearchKeys::listsAreInArabicOrder()
{
    QStringList names = spellings;
    names << QStringLiteral("zed") << QStringLiteral("ب") << QStringLiteral("10") << QStringLiteral("9")
          << QStringLiteral("احمد") << QStringLiteral("أحمد") << QStringLiteral("أحمد");
    // Stored in a scrambled order, so that rowid order is not the answer.
    QStringList scrambled = names;
    std::reverse(scrambled.begin(), scrambled.end());
    addNames(scrambled);
    const QStringList listed = phonesNamed(folder->databasePath(), QStringLiteral("*"));
    QCOMPARE(listed, collated(names));
    // Spellings of one name side by side, Arabic before Latin.
    QCOMPARE(qAbs(listed.indexOf(QStringLiteral("احمد")) - listed.indexOf(QStringLiteral("أحمد"))) <= 2, true);
    QVERIFY(listed.indexOf(QStringLiteral("ب")) < listed.indexOf(QStringLiteral("Ahmad")));
}

void TestSearchKeys::rowsOfAnotherProgramAreFoundAndOrdered()
{
    addNames({QStringLiteral("بكر"), QStringLiteral("زيد")});
    // The sqlite3 shell knows nothing of Dalil's functions: only the file's triggers key its rows.
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {folder->databasePath(),
                                            QStringLiteral("INSERT INTO Phone (الإسم, المنزل) VALUES ('أحمد', '1'), ('ثامر', '2');"
                                                           "UPDATE Phone SET الإسم = 'إياد' WHERE الإسم = 'زيد';"
                                                           "INSERT INTO Cheque (السيد, دينار) VALUES ('يحيى', 3);")});
    QVERIFY(shell.waitForFinished(20000));
    QCOMPARE(shell.exitCode(), 0);
    QCOMPARE(folder->value("SELECT count(*) FROM PhoneKeys WHERE nameOrder IS NULL").toInt(), 3); // two added, one renamed
    const QString path = folder->databasePath();
    QCOMPARE(phonesNamed(path, QStringLiteral("ا*")), (QStringList{QStringLiteral("أحمد"), QStringLiteral("إياد")}));
    QCOMPARE(phonesNamed(path, QStringLiteral("*")),
             collated({QStringLiteral("بكر"), QStringLiteral("أحمد"), QStringLiteral("ثامر"), QStringLiteral("إياد")}));
    QCOMPARE(folder->value("SELECT count(*) FROM PhoneKeys WHERE nameOrder IS NULL").toInt(), 0);
    QCOMPARE(searched(path, QStringLiteral("select * from TotalCheque "), {{QStringLiteral("where السيد like'"), QStringLiteral("يحيي*")}},
                      QStringLiteral("order by السيد")),
             QStringList{QStringLiteral("يحيى")});
}

void TestSearchKeys::broadSetsShowTheirFirstRowsAndReadTheRestBeside_data()
{
    QTest::addColumn<QString>("meanwhile");
    QTest::newRow("nothing") << QString();
    QTest::newRow("searched again") << QStringLiteral("again");
    QTest::newRow("renamed, then searched again") << QStringLiteral("renamed");
    QTest::newRow("renamed where only the list sees it") << QStringLiteral("unseen");
    QTest::newRow("a file made read-only") << QStringLiteral("read-only");
    QTest::newRow("read beside while a row waits for its sort key") << QStringLiteral("unkeyed");
}

void TestSearchKeys::broadSetsShowTheirFirstRowsAndReadTheRestBeside()
{
    // More rows than are sorted at once: the first screen comes at once and the rest of the
    // order is read beside. Whatever happens meanwhile, every row then stands where a fresh
    // reading puts it.
    QFETCH(QString, meanwhile);
    const QString path = folder->databasePath();
    DataError error;
    QSqlDatabase db = Database::connection(path, &error);
    QVERIFY(db.transaction());
    QSqlQuery insert(db);
    QVERIFY(insert.prepare(QStringLiteral("INSERT INTO Phone (الإسم) VALUES (?)")));
    constexpr int rows = 21000;
    for (int i = 0; i < rows; ++i) {
        insert.addBindValue(spellings.at(i % spellings.size()) + QString::number(i % 997));
        QVERIFY(insert.exec());
    }
    QVERIFY(db.commit());
    if (meanwhile == u"read-only") {
        // Ordered once while it could be written; then the file opened read-only.
        QCOMPARE(phonesNamed(path, QStringLiteral("*")).size(), rows);
        Database::closeAll();
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadUser));
        db = Database::connection(path, &error);
        QVERIFY(db.isValid());
    }
    if (meanwhile == u"unkeyed") {
        // A row renamed after the list was counted, read beside before the list gave it its
        // key: the book's change number is the same before and after the key is given.
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("UPDATE PhoneKeys SET nameOrder = NULL WHERE id = %1").arg(rows / 3)));
        CountCache::OrderedKeysBeside beside(db, QStringLiteral("Phone"), QStringLiteral("PhoneKeys"), {}, {},
                                             QStringLiteral("nameOrder"), QStringLiteral("PhoneKeys_byName"));
        QVERIFY(!beside.take(CountCache::changesOf(db, QStringLiteral("Phone"))));
    }
    RecordModel model;
    model.setDatabaseName(path);
    model.setSource({}, Statement::build(QStringLiteral("select * from Phone "), {{nameSearch, QStringLiteral("*")}}, byName));
    const auto rename = [&](qint64 key) {
        QSqlQuery update(db);
        return update.exec(QStringLiteral("UPDATE Phone SET الإسم = 'آآآ' WHERE rowid = %1").arg(key));
    };
    if (meanwhile == u"unseen") {
        // The list reads inside a change not yet committed, which the reading beside cannot see.
        QVERIFY(db.transaction());
        QVERIFY(rename(rows / 2));
    }
    QVERIFY(!model.load().isError());
    QCOMPARE(model.count(), rows);
    if (meanwhile == u"unseen")
        QVERIFY(db.commit());
    if (meanwhile == u"renamed")
        QVERIFY(rename(rows / 3));
    if (!meanwhile.isEmpty() && meanwhile != u"unseen")
        QVERIFY(!model.load().isError());
    QSqlQuery fresh(db);
    QVERIFY(fresh.exec(QStringLiteral("SELECT id FROM PhoneKeys ORDER BY nameOrder, id")));
    QList<qint64> expected, shown;
    while (fresh.next())
        expected << fresh.value(0).toLongLong();
    for (qint64 i = 0; i < model.count(); ++i)
        shown << model.keyAt(i).value_or(-1);
    QCOMPARE(shown.size(), expected.size());
    QCOMPARE(shown, expected);
    QCOMPARE(model.positionOf(db, expected.last()), std::optional<qint64>(rows - 1));
}

void TestSearchKeys::searchesOutliveADroppedKeyIndex()
{
    // Someone drops Dalil's indexes with another program: the searches still answer, in order.
    folder->exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 24999)"
                                " INSERT INTO Phone (الإسم) SELECT 'احمد ' || i FROM n"));
    folder->exec(QStringLiteral("DROP INDEX PhoneKeys_byName"));
    folder->exec(QStringLiteral("DROP INDEX ChequeKeys_yearFirst"));
    const QStringList listed = phonesNamed(folder->databasePath(), QStringLiteral("*"));
    QCOMPARE(listed.size(), 25000);
    QCOMPARE(listed, collated(listed));
    QVERIFY(Records::insert(folder->databasePath(), QStringLiteral("Cheque"),
                            {{QStringLiteral("اليوم"), QStringLiteral("1")}, {QStringLiteral("الشهر"), QStringLiteral("2")},
                             {QStringLiteral("العام"), QStringLiteral("2030")}, {QStringLiteral("السيد"), QStringLiteral("بكر")}}).ok());
    QCOMPARE(searched(folder->databasePath(), QStringLiteral("select * from Cheque "),
                      {{QStringLiteral("where اليوم like'"), QStringLiteral("*")}, {QStringLiteral("AND الشهر Like'"), QStringLiteral("*")},
                       {QStringLiteral("AND العام Like'"), QStringLiteral("2030*")}}, QStringLiteral("order by السيد"), 3),
             QStringList{QStringLiteral("بكر")});
}

void TestSearchKeys::orderedSetsFollowEveryWrite()
{
    // A kept ordered set moves along with each write through the program: after any mix of
    // writes it is exactly the set read afresh.
    const QString path = folder->databasePath();
    const QStringList pool{QStringLiteral("أحمد"), QStringLiteral("احمد"), QStringLiteral("Ali"), QStringLiteral("بكر"),
                           QStringLiteral("ثامر"), QStringLiteral("آمنة"), QStringLiteral("زيد"), QStringLiteral("ali")};
    QRandomGenerator random(15);
    QList<qint64> rows;
    DataError error;
    QSqlDatabase db = Database::connection(path, &error);
    const auto *keys = SearchKeys::sourceOf(QStringLiteral("Phone"));
    const Statement statement = Statement::build(QStringLiteral("select * from Phone "), {{nameSearch, QStringLiteral("ا*")}}, byName);
    const Statement::Sql sql = statement.toSql(keys);
    const QString condition = sql.where.mid(7);
    const auto ordered = [&] {
        QSqlError sqlError;
        return CountCache::orderedKeys(db, QStringLiteral("Phone"), sql.keyTable, condition, sql.values, keys->orderKey,
                                       keys->orderIndexFor(sql.keysUsed), [&] { return keys->findWayFor(db, sql.prefixed); }, &sqlError)
            .value_or(QList<qint64>{-1});
    };
    const auto fresh = [&] {
        QList<qint64> ids;
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT id FROM PhoneKeys") + sql.where + QStringLiteral(" ORDER BY nameOrder, id"));
        for (const QVariant &value : sql.values)
            query.addBindValue(value);
        if (!query.exec())
            return QList<qint64>{-2};
        while (query.next())
            ids << query.value(0).toLongLong();
        return ids;
    };
    for (int step = 0; step < 300; ++step) {
        (void)ordered(); // kept before the write
        const int kind = rows.isEmpty() ? 0 : int(random.bounded(3));
        const QString name = pool.at(int(random.bounded(int(pool.size()))));
        if (kind == 0) {
            const Records::WriteResult written = Records::insert(path, QStringLiteral("Phone"), {{QStringLiteral("الإسم"), name}});
            QVERIFY(written.ok());
            rows << *written.key;
        } else if (kind == 1) {
            QVERIFY(Records::update(path, QStringLiteral("Phone"), rows.at(int(random.bounded(int(rows.size())))),
                                    {{QStringLiteral("الإسم"), name}}).ok());
        } else {
            QVERIFY(Records::remove(path, QStringLiteral("Phone"), rows.takeAt(int(random.bounded(int(rows.size()))))).ok());
        }
        QCOMPARE(ordered(), fresh());
    }
}

void TestSearchKeys::searchesWalkTheKeyIndexes()
{
    DataError error;
    QSqlDatabase db = Database::connection(folder->databasePath(), &error);
    const auto plan = [&](const QString &sql) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("EXPLAIN QUERY PLAN ") + sql))
            return QStringLiteral("(failed: %1)").arg(query.lastError().text());
        QStringList steps;
        while (query.next())
            steps << query.value(3).toString();
        return steps.join(u'|');
    };
    const auto keyed = [](const QString &head, const QList<std::pair<QString, QString>> &conditions, const QString &order) {
        const Statement statement = Statement::build(head, conditions, order);
        return statement.toSql(SearchKeys::sourceOf(statement.source()));
    };
    const auto literal = [](Statement::Sql sql) {
        QString where = sql.where;
        for (const QVariant &value : sql.values)
            where.replace(where.indexOf(u'?'), 1, u'\'' + value.toString() + u'\'');
        return where;
    };
    const auto where = [&](const Statement::Sql &sql) { return literal(sql).mid(7); };
    const auto *phone = SearchKeys::sourceOf(QStringLiteral("Phone"));
    // Few matches: found by the folded keys' indexes, then sorted.
    const Statement::Sql name = keyed(QStringLiteral("select * from Phone "), {{nameSearch, QStringLiteral("احمد*")}}, byName);
    const QString namePlan = plan(CountCache::orderedKeysSql(name.keyTable, where(name), phone->orderKey, {}));
    QVERIFY2(namePlan.contains(QStringLiteral("INDEX PhoneKeys_name")), qPrintable(namePlan));
    const Statement::Sql number = keyed(QStringLiteral("select * from Phone "),
                                        {{QStringLiteral("where المنزل like'"), QStringLiteral("07*")}, {QStringLiteral("OR الجوال Like'"), QStringLiteral("07*")},
                                         {QStringLiteral("OR المكتب Like'"), QStringLiteral("07*")}}, byName);
    const QString numberPlan = plan(CountCache::orderedKeysSql(number.keyTable, where(number), phone->orderKey, {}));
    QVERIFY2(numberPlan.contains(QStringLiteral("PhoneKeys_home")) && numberPlan.contains(QStringLiteral("PhoneKeys_mobile"))
                 && numberPlan.contains(QStringLiteral("PhoneKeys_office")), qPrintable(numberPlan));
    // Many matches: the index kept in the order is walked, and nothing is sorted.
    const auto *cheque = SearchKeys::sourceOf(QStringLiteral("Cheque"));
    const Statement::Sql date = keyed(QStringLiteral("select * from Cheque "),
                                      {{QStringLiteral("where اليوم like'"), QStringLiteral("*")}, {QStringLiteral("AND الشهر Like'"), QStringLiteral("*")},
                                       {QStringLiteral("AND العام Like'"), QStringLiteral("201*")}}, QStringLiteral("order by السيد"));
    QCOMPARE(cheque->orderIndexFor(date.keysUsed), QStringLiteral("ChequeKeys_byDate"));
    const QString walk = plan(CountCache::orderedKeysSql(date.keyTable, where(date), cheque->orderKey, cheque->orderIndexFor(date.keysUsed)));
    QVERIFY2(walk.contains(QStringLiteral("COVERING INDEX ChequeKeys_byDate")) && !walk.contains(QStringLiteral("TEMP B-TREE")), qPrintable(walk));
    // A date is found from whichever typed part covers the fewest cheques; neither reads the table.
    const QString byYear = plan(CountCache::orderedKeysSql(date.keyTable, where(date), cheque->orderKey, {},
                                                           cheque->findIndexFor(db, date.prefixed)));
    QVERIFY2(byYear.contains(QStringLiteral("COVERING INDEX ChequeKeys_yearFirst")), qPrintable(byYear));
    // Thirty days of May 2019, and one cheque of 2031.
    for (int d = 1; d <= 30; ++d)
        QVERIFY(Records::insert(folder->databasePath(), QStringLiteral("Cheque"),
                                {{QStringLiteral("اليوم"), QString::number(d)}, {QStringLiteral("الشهر"), QStringLiteral("5")},
                                 {QStringLiteral("العام"), QStringLiteral("2019")}}).ok());
    QVERIFY(Records::insert(folder->databasePath(), QStringLiteral("Cheque"),
                            {{QStringLiteral("اليوم"), QStringLiteral("1")}, {QStringLiteral("الشهر"), QStringLiteral("5")},
                             {QStringLiteral("العام"), QStringLiteral("2031")}}).ok());
    const auto dateSearch = [&](const QString &d, const QString &y) {
        return keyed(QStringLiteral("select * from Cheque "),
                     {{QStringLiteral("where اليوم like'"), d}, {QStringLiteral("AND الشهر Like'"), QStringLiteral("5*")},
                      {QStringLiteral("AND العام Like'"), y}}, QStringLiteral("order by السيد"));
    };
    const Statement::Sql day = dateSearch(QStringLiteral("12*"), QStringLiteral("201*"));
    const QString byDay = plan(CountCache::orderedKeysSql(day.keyTable, where(day), cheque->orderKey, {}, cheque->findIndexFor(db, day.prefixed)));
    QVERIFY2(byDay.contains(QStringLiteral("COVERING INDEX ChequeKeys_dayFirst (day>? AND day<?)")), qPrintable(byDay));
    const Statement::Sql year = dateSearch(QStringLiteral("1*"), QStringLiteral("2031*"));
    QCOMPARE(cheque->findIndexFor(db, year.prefixed), QStringLiteral("ChequeKeys_yearFirst"));
    // All three parts typed: each is read at the values it takes in the book, so that the
    // reading reaches the rows of the date and not the whole of one part's range.
    const CountCache::FindWay way = cheque->findWayFor(db, year.prefixed);
    QCOMPARE(way.index, QStringLiteral("ChequeKeys_dayFirst"));
    QCOMPARE(way.narrowing.count(u'?'), way.values.size());
    QCOMPARE(way.values, (QVariantList{QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("11"), QStringLiteral("12"),
                                       QStringLiteral("13"), QStringLiteral("14"), QStringLiteral("15"), QStringLiteral("16"),
                                       QStringLiteral("17"), QStringLiteral("18"), QStringLiteral("19"), QStringLiteral("5"),
                                       QStringLiteral("2031")}));
    QCOMPARE(searched(folder->databasePath(), QStringLiteral("select * from Cheque "),
                      {{QStringLiteral("where اليوم like'"), QStringLiteral("1*")}, {QStringLiteral("AND الشهر Like'"), QStringLiteral("5*")},
                       {QStringLiteral("AND العام Like'"), QStringLiteral("2031*")}}, QStringLiteral("order by السيد"))
                 .size(), 1);
    const Statement::Sql payee = keyed(QStringLiteral("select * from TotalCheque "), {{QStringLiteral("where السيد like'"), QStringLiteral("ا*")}},
                                       QStringLiteral("order by السيد"));
    QVERIFY(plan(QStringLiteral("SELECT * FROM PayeeKeys") + literal(payee) + payee.orderBy).contains(QStringLiteral("PayeeKeys_folded")));
}

void TestSearchKeys::anOlderFileGainsTheKeysAndKeepsEveryRow()
{
    Database::closeAll();
    testing::AppFolder older(false);
    QVERIFY(testing::createDatabase(older.databasePath(), testing::secondLayoutSql()));
    for (int i = 0; i < 300; ++i) {
        older.exec(QStringLiteral("INSERT INTO Phone (الإسم, المنزل) VALUES (?, ?)"), {spellings.at(i % spellings.size()), QString::number(i)});
        older.exec(QStringLiteral("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES ('1', '2', '2030', ?, ?, ?)"),
                   {spellings.at(i % 7), i, i * 3 % 1000});
    }
    const auto phones = older.rows(QStringLiteral("SELECT rowid, * FROM Phone ORDER BY rowid"));
    const auto cheques = older.rows(QStringLiteral("SELECT rowid, * FROM Cheque ORDER BY rowid"));
    const auto sums = older.rows(QStringLiteral("SELECT * FROM TotalCheque ORDER BY 1"));
    const auto total = older.rows(QStringLiteral("SELECT * FROM TotalTotal"));
    qint64 reported = 0, ofAll = 0;
    Upgrade::setProgressHandler([&](qint64 done, qint64 all) { reported = done; ofAll = all; return true; });
    DataError error;
    QVERIFY(Database::connection(older.databasePath(), &error).isValid());
    Upgrade::setProgressHandler({});
    QCOMPARE(older.value(QStringLiteral("PRAGMA user_version")).toInt(), Upgrade::currentVersion);
    QCOMPARE(reported, ofAll);
    QVERIFY(ofAll >= 600);
    QCOMPARE(older.rows(QStringLiteral("SELECT rowid, * FROM Phone ORDER BY rowid")), phones);
    QCOMPARE(older.rows(QStringLiteral("SELECT rowid, * FROM Cheque ORDER BY rowid")), cheques);
    QCOMPARE(older.rows(QStringLiteral("SELECT * FROM TotalCheque ORDER BY 1")), sums);
    QCOMPARE(older.rows(QStringLiteral("SELECT * FROM TotalTotal")), total);
    QCOMPARE(older.value(QStringLiteral("SELECT count(*) FROM PhoneKeys WHERE nameOrder IS NOT NULL")).toInt(), 300);
    QCOMPARE(phonesNamed(older.databasePath(), QStringLiteral("احمد*")).size(), 2 * 300 / spellings.size());
    Database::closeAll();

    // Sort keys made by another version of the collation are made again on the next opening.
    older.exec(QStringLiteral("UPDATE DalilOptions SET value = 'icu ar 0' WHERE name = 'collator'"));
    older.exec(QStringLiteral("UPDATE PhoneKeys SET nameOrder = x'00'"));
    QVERIFY(Database::connection(older.databasePath(), &error).isValid());
    QCOMPARE(older.value(QStringLiteral("SELECT value FROM DalilOptions WHERE name = 'collator'")).toString(), SearchKeys::collatorVersion());
    QCOMPARE(older.value(QStringLiteral("SELECT count(*) FROM PhoneKeys WHERE nameOrder = x'00' OR nameOrder IS NULL")).toInt(), 0);
    const QStringList listed = phonesNamed(older.databasePath(), QStringLiteral("*"));
    QCOMPARE(listed.size(), 300);
    QCOMPARE(listed, collated(listed));
    Database::closeAll();

    // An upgrade stopped half way (the user closed the progress) leaves the file as it was.
    testing::AppFolder stopped(false);
    QVERIFY(testing::createDatabase(stopped.databasePath(), testing::secondLayoutSql()));
    stopped.exec(QStringLiteral("INSERT INTO Phone (الإسم) VALUES ('سمير')"));
    Upgrade::setProgressHandler([](qint64 done, qint64) { return done == 0; });
    QVERIFY(Database::connection(stopped.databasePath(), &error).isValid());
    Upgrade::setProgressHandler({});
    QCOMPARE(stopped.value(QStringLiteral("PRAGMA user_version")).toInt(), 2);
    QCOMPARE(stopped.value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name LIKE '%Keys%'")).toInt(), 0);
    QCOMPARE(phonesNamed(stopped.databasePath(), QStringLiteral("سم*")), QStringList{QStringLiteral("سمير")});
}

void TestSearchKeys::aReadOnlyOlderFileSearchesAsBefore()
{
    Database::closeAll();
    testing::AppFolder older(false);
    QVERIFY(testing::createDatabase(older.databasePath(), testing::secondLayoutSql()));
    older.exec(QStringLiteral("INSERT INTO Phone (الإسم) VALUES ('أحمد'), ('احمد'), ('بكر')"));
    QVERIFY(QFile::setPermissions(older.databasePath(), QFileDevice::ReadOwner | QFileDevice::ReadUser));
    // Searched as the text stands, as before the upgrade: exact spelling, code point order.
    QCOMPARE(phonesNamed(older.databasePath(), QStringLiteral("ا*")), QStringList{QStringLiteral("احمد")});
    QCOMPARE(phonesNamed(older.databasePath(), QStringLiteral("*")).size(), 3);
    QCOMPARE(older.value(QStringLiteral("PRAGMA user_version")).toInt(), 2);
}

namespace {

// Sees the upgrade's progress come up, and the highest value it showed.
class ProgressSeen : public QObject
{
public:
    ProgressSeen() { qApp->installEventFilter(this); }
    ~ProgressSeen() override { qApp->removeEventFilter(this); }
    bool shown = false;
    int highest = -1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (auto *dialog = qobject_cast<QProgressDialog *>(watched); dialog && watched->objectName() == u"ProgressDialog1") {
            shown = shown || event->type() == QEvent::Show;
            highest = qMax(highest, dialog->value());
        }
        return false;
    }
};

QStringList gridNames(Form2 *list)
{
    QStringList names;
    QAbstractItemModel *model = list->DBGrid1->view()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, 0).data().toString();
    return names;
}

void searchByName(Form2 *list, const QString &text)
{
    list->List1->setCurrentRow(0);
    list->Text1->clear();
    testing::typeText(list->Text1, text);
    QTest::mouseClick(list->Command2, Qt::LeftButton);
}

} // namespace

void TestSearchKeys::aBigOlderBookShowsItsUpgrade()
{
    Database::closeAll();
    testing::AppFolder older(false);
    QVERIFY(testing::createDatabase(older.databasePath(), testing::secondLayoutSql()));
    older.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 25000)"
                              " INSERT INTO Phone (الإسم, المنزل) SELECT CASE i % 3 WHEN 0 THEN 'أحمد ' WHEN 1 THEN 'احمد ' ELSE 'بكر ' END || i, '06' FROM n"));
    ProgressSeen progress;
    const auto expecting = std::make_unique<testing::ExpectBoxes>(); // the progress, modal as it is
    QVERIFY(testing::startProgram(older));
    QTest::mouseClick(Forms::loaded<Form1>()->Command1, Qt::LeftButton);
    Form2 *list = Forms::loaded<Form2>();
    QVERIFY(progress.shown);
    QCOMPARE(progress.highest, 100);
    testing::runQueuedWork();
    const QList<QProgressDialog *> left = list->window()->findChildren<QProgressDialog *>();
    QVERIFY(std::none_of(left.cbegin(), left.cend(), [](QProgressDialog *d) { return d->isVisible(); }));
    QCOMPARE(older.value(QStringLiteral("PRAGMA user_version")).toInt(), Upgrade::currentVersion);
    QCOMPARE(list->DBGrid1->view()->model()->rowCount(), 25000);
    // Both spellings of the name come back together.
    searchByName(list, QStringLiteral("احمد 1"));
    const QStringList names = gridNames(list);
    QVERIFY(names.contains(QStringLiteral("أحمد 12")) && names.contains(QStringLiteral("احمد 10")));
    QCOMPARE(names.size(), older.value(QStringLiteral("SELECT count(*) FROM Phone WHERE substr(الإسم, 2) LIKE 'حمد 1%'")).toInt());
}

void TestSearchKeys::theUserIsToldOnceThatSearchesAreExact()
{
    Database::closeAll();
    testing::AppFolder older(false);
    QVERIFY(testing::createDatabase(older.databasePath(), testing::secondLayoutSql()));
    older.exec(QStringLiteral("INSERT INTO Phone (الإسم, المنزل) VALUES ('أحمد', '1'), ('احمد', '2')"));
    QVERIFY(QFile::setPermissions(older.databasePath(), QFileDevice::ReadOwner | QFileDevice::ReadUser));
    QVERIFY(testing::startProgram(older));
    QTest::mouseClick(Forms::loaded<Form1>()->Command1, Qt::LeftButton);
    Form2 *list = Forms::loaded<Form2>();
    testing::BoxWatcher boxes;
    searchByName(list, QStringLiteral("ا"));
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes().first().title, QStringLiteral("البحث"));
    QVERIFY(boxes.boxes().first().text.contains(QStringLiteral("كما كُتب تماماً")));
    QCOMPARE(boxes.boxes().first().direction, Qt::RightToLeft);
    QCOMPARE(gridNames(list), QStringList{QStringLiteral("احمد")});
    boxes.clear();
    searchByName(list, QStringLiteral("أ"));
    QVERIFY(boxes.boxes().isEmpty());
    QCOMPARE(gridNames(list), QStringList{QStringLiteral("أحمد")});
}

TESTING_WINDOW_TEST_MAIN(TestSearchKeys)
#include "tst_searchkeys.moc"
