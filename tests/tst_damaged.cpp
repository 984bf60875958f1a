// A damaged or missing DB1.mdb: the user is told in Arabic, with the file's full path, the
// program keeps running, and the file is never deleted, recreated or repaired behind the
// user's back.
#include "testsupport.h"

#include "common/textbox.h"
#include "data/database.h"
#include "phonebook/form2.h"
#include "phonebook/form3.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QToolButton>

#include <unistd.h>

using namespace dalil;

namespace {

// What the file is now: its bytes, or that it is a folder, or that it is absent.
QByteArray fingerprint(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return "absent";
    if (info.isDir())
        return "folder";
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

class TestDamaged : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(testing::runAsOrdinaryUser());
    }
    void cleanup()
    {
        testing::stopProgram();
    }

    void everyBookSaysSoAndKeepsRunning_data();
    void everyBookSaysSoAndKeepsRunning();
    void aReadOnlyFileListsButDoesNotSave();
    void aReadOnlyCompanionFileIsNamed();
    void aReadOnlyOlderFileIsLeftAsItIs();
};

void TestDamaged::everyBookSaysSoAndKeepsRunning_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("words");
    QTest::newRow("missing") << "missing" << "لم يتم العثور";
    QTest::newRow("empty") << "empty" << "لا تحتوي";
    QTest::newRow("truncated") << "truncated" << "تالف";
    QTest::newRow("random bytes") << "random" << "تالف";
    QTest::newRow("a folder of that name") << "folder" << "لم يتم العثور";
    QTest::newRow("in a read-only folder") << "readonly-folder" << "للقراءة فقط";
    QTest::newRow("lacking a table") << "no-table" << "Phone";
    QTest::newRow("lacking a view") << "no-view" << "TotalTotal";
}

void TestDamaged::everyBookSaysSoAndKeepsRunning()
{
    QFETCH(QString, damage);
    QFETCH(QString, words);

    testing::AppFolder folder;
    QDir dir(folder.path());
    const QString db = folder.databasePath();
    if (damage == u"missing") {
        QVERIFY(QFile::remove(db));
    } else if (damage == u"empty") {
        writeFile(db, {});
    } else if (damage == u"truncated") {
        folder.exec("INSERT INTO Phone (الإسم) VALUES ('x')");
        QFile file(db);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        file.close();
        writeFile(db, whole.left(1500));
    } else if (damage == u"random") {
        QByteArray noise(64 * 1024, 0);
        QRandomGenerator random(7);
        for (char &c : noise)
            c = char(random.bounded(256));
        writeFile(db, noise);
    } else if (damage == u"folder") {
        QVERIFY(QFile::remove(db));
        QVERIFY(dir.mkdir(QStringLiteral("DB1.mdb")));
    } else if (damage == u"readonly-folder") {
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));
    } else if (damage == u"no-table") {
        folder.exec("DROP TABLE Phone");
    } else if (damage == u"no-view") {
        folder.exec("DROP VIEW TotalTotal");
    }
    const QByteArray before = fingerprint(db);

    setApplicationFolder(folder.path());
    start();
    QVERIFY(QTest::qWaitForWindowExposed(MDIForm1::instance()));
    testing::BoxWatcher boxes;
    // Each book in turn, back to the start window in between.
    for (int book = 0; book < 3; ++book) {
        Form1 *start = Forms::loaded<Form1>();
        QToolButton *buttons[] = {start->Command1, start->Command2, start->Command3};
        QTest::mouseClick(buttons[book], Qt::LeftButton);
        QVERIFY(isRunning());
        Form *list = Forms::find(QStringLiteral("Form%1").arg(2 + 2 * book));
        QVERIFY(list && list->isShown());
        auto *back = list->findChild<QPushButton *>(book == 1 ? QStringLiteral("Command3") : QStringLiteral("Command4"));
        QTest::mouseClick(back, Qt::LeftButton);
    }
    // Adding from the menu fails as clearly, and the program goes on.
    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("addphone"))->trigger();
    Form3 *entry = Forms::loaded<Form3>();
    testing::typeText(entry->Text1, QStringLiteral("زيد"));
    testing::typeText(entry->Text2, QStringLiteral("1"));
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QVERIFY(isRunning());

    const auto seen = boxes.boxes();
    QVERIFY(!seen.isEmpty());
    bool named = false;
    // A folder that cannot be written is what blocks a save there: the box names it.
    const QString blocker = damage == u"readonly-folder" ? QDir::toNativeSeparators(folder.path()) : db;
    for (const auto &box : seen) {
        QCOMPARE(box.icon, QMessageBox::Critical);
        QVERIFY2(box.text.contains(blocker), qPrintable(box.text));
        if (damage == u"readonly-folder")
            QVERIFY2(!box.text.contains(db), qPrintable(box.text));
        named = named || box.text.contains(words);
    }
    QVERIFY2(named, qPrintable(seen.first().text));
    testing::stopProgram();
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (damage == u"no-table" || damage == u"no-view") {
        // The rest of the book works (a phone entry may be saved), but what is missing is
        // never made again behind the user's back.
        const QString name = damage == u"no-table" ? QStringLiteral("Phone") : QStringLiteral("TotalTotal");
        QCOMPARE(folder.value("SELECT count(*) FROM sqlite_master WHERE name = ?", {name}).toInt(), 0);
    } else {
        QCOMPARE(fingerprint(db), before);
    }
}

void TestDamaged::aReadOnlyFileListsButDoesNotSave()
{
    testing::AppFolder folder;
    folder.exec("INSERT INTO Phone (الإسم, المنزل) VALUES ('Ali', '1')");
    QVERIFY(QFile::setPermissions(folder.databasePath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QByteArray before = fingerprint(folder.databasePath());
    setApplicationFolder(folder.path());
    start();
    QVERIFY(QTest::qWaitForWindowExposed(MDIForm1::instance()));
    testing::BoxWatcher boxes;
    QTest::mouseClick(Forms::loaded<Form1>()->Command1, Qt::LeftButton);
    Form2 *list = Forms::loaded<Form2>();
    QCOMPARE(list->Data1->Recordset()->RecordCount(), 1);
    QVERIFY(boxes.boxes().isEmpty());

    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form3 *entry = Forms::loaded<Form3>();
    testing::typeText(entry->Text1, QStringLiteral("زيد"));
    testing::typeText(entry->Text2, QStringLiteral("0712"));
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QCOMPARE(boxes.boxes().size(), 1);
    QVERIFY(boxes.boxes()[0].text.contains(QStringLiteral("للقراءة فقط")));
    QVERIFY(boxes.boxes()[0].text.contains(folder.databasePath()));
    QVERIFY(entry->isShown());
    QCOMPARE(entry->Text1->text(), QStringLiteral("زيد"));
    // Nothing was made beside the file: no -wal or -shm left read-only to block later saves.
    QVERIFY(!QFileInfo::exists(folder.databasePath() + QStringLiteral("-shm")));
    QVERIFY(!QFileInfo::exists(folder.databasePath() + QStringLiteral("-wal")));

    // The user makes the file writable again: the same save, retried, is stored.
    QVERIFY(QFile::setPermissions(folder.databasePath(), QFile::ReadOwner | QFile::WriteOwner));
    boxes.clear();
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QVERIFY2(boxes.boxes().isEmpty(), boxes.boxes().isEmpty() ? "" : qPrintable(boxes.boxes()[0].text));
    QVERIFY(!entry->isShown());
    testing::stopProgram();
    QCOMPARE(folder.value("SELECT count(*) FROM Phone WHERE الإسم = 'زيد'").toInt(), 1);
    QVERIFY(before != fingerprint(folder.databasePath()));
}

// A write-protected -shm left by an earlier run on a read-only file blocks a save: the box
// names that file, not the database that the user can see is writable.
void TestDamaged::aReadOnlyCompanionFileIsNamed()
{
    testing::AppFolder folder;
    const QString shm = folder.databasePath() + QStringLiteral("-shm");
    {
        QFile stale(shm);
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write(QByteArray(32768, 0));
    }
    QVERIFY(QFile::setPermissions(shm, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    setApplicationFolder(folder.path());
    start();
    QVERIFY(QTest::qWaitForWindowExposed(MDIForm1::instance()));
    testing::BoxWatcher boxes;
    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("addphone"))->trigger();
    Form3 *entry = Forms::loaded<Form3>();
    testing::typeText(entry->Text1, QStringLiteral("زيد"));
    testing::typeText(entry->Text2, QStringLiteral("1"));
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    const auto seen = boxes.boxes();
    QVERIFY(!seen.isEmpty());
    QVERIFY2(seen.last().text.contains(shm), qPrintable(seen.last().text));
}

// A file of the first layout that cannot be written is not upgraded, and still lists.
void TestDamaged::aReadOnlyOlderFileIsLeftAsItIs()
{
    testing::AppFolder folder(false);
    QVERIFY(testing::createDatabase(folder.databasePath(), testing::firstLayoutSql()));
    folder.exec("INSERT INTO Phone (الإسم, المنزل) VALUES ('Ali', '1')");
    QVERIFY(QFile::setPermissions(folder.databasePath(), QFile::ReadOwner));
    const QByteArray before = fingerprint(folder.databasePath());
    setApplicationFolder(folder.path());
    start();
    QVERIFY(QTest::qWaitForWindowExposed(MDIForm1::instance()));
    testing::BoxWatcher boxes;
    QTest::mouseClick(Forms::loaded<Form1>()->Command1, Qt::LeftButton);
    QCOMPARE(Forms::loaded<Form2>()->Data1->Recordset()->RecordCount(), 1);
    QVERIFY(boxes.boxes().isEmpty());
    testing::stopProgram();
    QCOMPARE(fingerprint(folder.databasePath()), before);
    QFile::setPermissions(folder.databasePath(), QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(folder.value("PRAGMA user_version").toInt(), 1);
}

TESTING_WINDOW_TEST_MAIN(TestDamaged)
#include "tst_damaged.moc"
