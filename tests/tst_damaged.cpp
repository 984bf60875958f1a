// A damaged or missing DB1.mdb: the user is told in Arabic, with the file's full path, the
// program keeps running, and the file is never deleted, recreated or repaired behind the
// user's back.
#include "testsupport.h"

#include "common/textbox.h"
#include "data/store/database.h"
#include "phonebook/form2.h"
#include "phonebook/form3.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTest>
#include <QToolButton>

#include <cstdio>
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

// What another program reads in the file: the engine's check, and the phone book's names.
QString readBySqlite(const QString &path)
{
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {path, QStringLiteral("PRAGMA integrity_check; SELECT group_concat(الإسم, ',') FROM "
                                                                 "(SELECT الإسم FROM Phone ORDER BY rowid);")});
    shell.waitForFinished();
    return QString::fromUtf8(shell.readAllStandardOutput()).trimmed().replace(u'\n', u' ');
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
    void aReplacedFileIsNeverWrittenInto_data();
    void aReplacedFileIsNeverWrittenInto();
    void aFailureSaysWhyInArabic_data();
    void aFailureSaysWhyInArabic();
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

void TestDamaged::aReplacedFileIsNeverWrittenInto_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("atSave"); // noticed at the save, or as the list comes to the front
    for (const char *how : {"renamed over it", "written beside and renamed", "deleted, then copied anew", "deleted"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1, noticed at the save").arg(QLatin1String(how))))
            << QString::fromLatin1(how) << true;
        QTest::newRow(qPrintable(QStringLiteral("%1, noticed at the front").arg(QLatin1String(how))))
            << QString::fromLatin1(how) << false;
    }
}

// Another program (a sync tool, a restore by hand) puts another file under the name while a
// phone is being typed: nothing goes into the old file, the user is told, keeps the typing,
// and the program goes on with what the name now holds, its log and shared memory its own.
void TestDamaged::aReplacedFileIsNeverWrittenInto()
{
    QFETCH(QString, how);
    QFETCH(bool, atSave);
    testing::AppFolder folder;
    folder.exec("INSERT INTO Phone (الإسم) VALUES ('Ali'), ('Bob')");
    const QString path = folder.databasePath();
    const QString other = folder.path() + QStringLiteral("/other.mdb");
    QVERIFY(testing::createDatabase(other));
    QCOMPARE(QProcess::execute(QStringLiteral("sqlite3"), {other, QStringLiteral("INSERT INTO Phone (الإسم) VALUES ('Other')")}), 0);
    QVERIFY(testing::startProgram(folder));
    testing::BoxWatcher boxes;
    QTest::mouseClick(Forms::loaded<Form1>()->Command1, Qt::LeftButton);
    Form2 *list = Forms::loaded<Form2>();
    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form3 *entry = Forms::loaded<Form3>();
    testing::typeText(entry->Text1, QStringLiteral("زيد"));
    testing::typeText(entry->Text2, QStringLiteral("0712"));

    if (how == u"renamed over it") {
        QVERIFY(QFile::rename(other, path) || (QFile::remove(path) && QFile::rename(other, path)));
    } else if (how == u"written beside and renamed") {
        QVERIFY(QFile::copy(other, path + QStringLiteral(".tmp")));
        QCOMPARE(::rename(QFile::encodeName(path + QStringLiteral(".tmp")).constData(), QFile::encodeName(path).constData()), 0);
    } else {
        QVERIFY(QFile::remove(path));
        if (how == u"deleted, then copied anew")
            QVERIFY(QFile::copy(other, path));
    }
    const bool gone = how == u"deleted";

    if (atSave) {
        QTest::mouseClick(entry->Command1, Qt::LeftButton);
    } else {
        list->Show();
        testing::runQueuedWork();
        entry->Show();
    }
    testing::runQueuedWork();
    QCOMPARE(boxes.boxes().size(), 1);
    QVERIFY2(boxes.boxes()[0].text.contains(gone ? QStringLiteral("حذف برنامج آخر ملف الدفاتر")
                                                 : QStringLiteral("وضع برنامج آخر ملفاً آخر مكان ملف الدفاتر")),
             qPrintable(boxes.boxes()[0].text));
    QVERIFY(boxes.boxes()[0].text.contains(path));
    QVERIFY(entry->isShown());
    QCOMPARE(entry->Text1->text(), QStringLiteral("زيد"));
    if (gone) {
        QTest::mouseClick(entry->Command1, Qt::LeftButton);
        QCOMPARE(boxes.boxes().size(), 2); // the file is missing: said, and nothing made in its place
        QVERIFY(!QFileInfo::exists(path));
        return;
    }
    // The new file, untouched and sound, is what the list reads now.
    QCOMPARE(readBySqlite(path), QStringLiteral("ok Other"));
    QCOMPARE(list->DBGrid1->model()->rowCount(), 1);
    // Saved again, the phone goes into the new file.
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QCOMPARE(boxes.boxes().size(), 1);
    QVERIFY(!entry->isShown());
    QCOMPARE(readBySqlite(path), QStringLiteral("ok Other,زيد"));
    testing::stopProgram();
    QCOMPARE(readBySqlite(path), QStringLiteral("ok Other,زيد"));
}

void TestDamaged::aFailureSaysWhyInArabic_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("cause");
    QTest::newRow("a save on a full disk") << "save" << QStringLiteral("ممتلئ");
    QTest::newRow("a backup into a folder that cannot be written") << "backup" << QStringLiteral("هذا المجلد للقراءة فقط");
    QTest::newRow("a restore onto a book that cannot be written") << "restore" << QStringLiteral("هذا الملف للقراءة فقط");
}

// The cause in Arabic, with the path; the engine's words only after them, on a line of their own.
void TestDamaged::aFailureSaysWhyInArabic()
{
    QFETCH(QString, what);
    QFETCH(QString, cause);
    testing::AppFolder folder;
    folder.exec("INSERT INTO Phone (الإسم) VALUES ('Ali')");
    QString path = folder.databasePath();
    const QString backup = folder.path() + QStringLiteral("/backup.mdb");
    if (what == u"restore") {
        QCOMPARE(QProcess::execute(QStringLiteral("sqlite3"), {folder.databasePath(), QStringLiteral(".backup ") + backup}), 0);
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    }
    QVERIFY(testing::startProgram(folder));
    testing::BoxWatcher boxes(QMessageBox::Yes);
    const auto item = [](const char *name) { MDIForm1::instance()->findChild<QAction *>(QLatin1String(name))->trigger(); };
    if (what == u"save") {
        // The engine may not grow the file by a page: what a full disk does to it.
        DataError error;
        QSqlQuery query(Database::connection(path, &error));
        QVERIFY(query.exec(QStringLiteral("PRAGMA page_count")) && query.next());
        QVERIFY(query.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(query.value(0).toInt())));
        item("addphone");
        Form3 *entry = Forms::loaded<Form3>();
        testing::typeText(entry->Text1, QString(3000, u'س'));
        testing::typeText(entry->Text2, QStringLiteral("0712"));
        QTest::mouseClick(entry->Command1, Qt::LeftButton);
        QVERIFY(entry->isShown());
    } else if (what == u"backup") {
        path = folder.path() + QStringLiteral("/shut");
        QVERIFY(QDir().mkpath(path));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
        testing::answerFileDialog(path + QStringLiteral("/copy.mdb"));
        item("backup");
    } else {
        testing::answerFileDialog(backup);
        item("restore");
    }
    QVERIFY(!boxes.boxes().isEmpty());
    const QString said = boxes.boxes().last().text;
    QVERIFY2(said.contains(cause) && said.contains(path), qPrintable(said));
    const qsizetype details = said.indexOf(QStringLiteral("\n\nالتفاصيل: "));
    QVERIFY2(details > said.indexOf(path), qPrintable(said));
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
