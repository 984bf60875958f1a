// Backups and restores from the file menu: a backup is a sound copy of the books, a restore
// puts one back whole, keeps the file it replaces, and refuses a file that is not a sound
// Dalil book without changing anything.
#include "testsupport.h"

#include "data/store/backup.h"
#include "data/store/database.h"
#include "phonebook/form2.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QFile>
#include <QFileDialog>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace dalil;

namespace {

// Every record of the three books with its identity, each value with its type.
QList<QVariantList> books(const testing::AppFolder &folder)
{
    QList<QVariantList> all;
    for (const QString &table : {QStringLiteral("Phone"), QStringLiteral("Note"), QStringLiteral("Cheque")}) {
        QStringList read{QStringLiteral("'%1'").arg(table), QStringLiteral("rowid")};
        for (const QVariantList &column : folder.rows(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
            read << QStringLiteral("\"%1\"").arg(column.value(1).toString())
                 << QStringLiteral("typeof(\"%1\")").arg(column.value(1).toString());
        all << folder.rows(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(read.join(u','), table));
    }
    all << folder.rows(QStringLiteral("SELECT * FROM ChequePayeeSums ORDER BY payee"));
    return all;
}

// What the file window showed as it opened (`what` reads it), before the path is given.
QString seenIn(const std::function<void()> &open, const QString &path, const std::function<QString(QFileDialog *)> &what)
{
    QString seen;
    QTimer::singleShot(0, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QFileDialog *>(widget); dialog && dialog->isVisible())
                seen = what(dialog);
        }
    });
    testing::answerFileDialog(path);
    open();
    return seen;
}

// The name the file window proposed.
QString proposedIn(const std::function<void()> &open, const QString &path)
{
    return seenIn(open, path, [](QFileDialog *dialog) { return QFileInfo(dialog->selectedFiles().value(0)).fileName(); });
}

void fillWithHostileTexts(const testing::AppFolder &folder)
{
    int n = 0;
    for (const auto &[name, text] : testing::hostileTexts()) {
        folder.exec(QStringLiteral("INSERT INTO Phone (الإسم, العنوان, المكتب, ملاحظات) VALUES (?, ?, ?, ?)"),
                    {text, text, QString::number(++n), QString()});
        folder.exec(QStringLiteral("INSERT INTO Note (اليوم, التاريخ, الشهر, العام, الساعة, الموعد) VALUES (?, '1', '2', '2030', ?, ?)"),
                    {text, text, text});
        folder.exec(QStringLiteral("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس, المبلغ, السبب) "
                                   "VALUES ('1', '2', '2030', ?, ?, ?, ?, NULL)"),
                    {text, n * 1000, n, text});
    }
}

} // namespace

class TestBackup : public testing::ProgramFixture
{
    Q_OBJECT

public:
    TestBackup() : testing::ProgramFixture(Frame::Active) {}

private slots:
    void aBackupRestoresToTheSameBooks();
    void foreignOrDamagedFilesAreRefused_data();
    void foreignOrDamagedFilesAreRefused();
    void aCopyLeftHalfwayIsNamedAndGoesWithTheNext();
    void aFullDiskIsNamedAsTheCause();

private:
    void trigger(const char *item) { MDIForm1::instance()->findChild<QAction *>(QLatin1String(item))->trigger(); }

};

void TestBackup::aBackupRestoresToTheSameBooks()
{
    fillWithHostileTexts(*folder);
    const QList<QVariantList> before = books(*folder);
    const QString saved = folder->path() + QStringLiteral("/copies/") + Backup::proposedName(QDate::currentDate());
    QVERIFY(QDir().mkpath(folder->path() + QStringLiteral("/copies")));

    testing::BoxWatcher boxes;
    const QString proposed = proposedIn([this] { trigger("backup"); }, saved);
    QCOMPARE(proposed, QStringLiteral("DB1-%1.mdb").arg(QDate::currentDate().toString(Qt::ISODate)));
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes()[0].direction, Qt::RightToLeft);
    QVERIFY2(boxes.boxes()[0].text.startsWith(QStringLiteral("تم حفظ نسخة احتياطية سليمة")), qPrintable(boxes.boxes()[0].text));
    QVERIFY(QFile::exists(saved));
    QVERIFY(!QFile::exists(saved + QStringLiteral(".part")));
    const Backup::Census copy = Backup::census(saved);
    QVERIFY(copy.sound && copy.isBook);
    QCOMPARE(copy.phones, qint64(testing::hostileTexts().size()));

    // The books change after the backup: a phone gone, a cheque added, the phone list open.
    folder->exec(QStringLiteral("DELETE FROM Phone WHERE rowid = 3"));
    folder->exec(QStringLiteral("INSERT INTO Cheque (السيد, دينار, فلس) VALUES ('بعد النسخ', 1, 2)"));
    const QList<QVariantList> changed = books(*folder);
    QTest::mouseClick(Forms::loaded<Form1>()->Command1, Qt::LeftButton);
    QVERIFY(Forms::loaded<Form2>()->isShown());

    // Restored: asked first ("no" changes nothing), then the books are the backup's exactly.
    // The file window opens where the backup went; the question warns of typing not saved.
    boxes.clear();
    boxes.setAnswer(QMessageBox::No);
    QCOMPARE(seenIn([this] { trigger("restore"); }, saved, [](QFileDialog *dialog) { return dialog->directory().absolutePath(); }),
             QFileInfo(saved).absolutePath());
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes()[0].title, QStringLiteral("الرجاء التأكيد"));
    QVERIFY(boxes.boxes()[0].text.contains(QStringLiteral("ما كُتب فيها ولم يُحفظ لن يُحفظ")));
    QCOMPARE(books(*folder), changed);

    boxes.clear();
    boxes.setAnswer(QMessageBox::Yes);
    testing::answerFileDialog(saved);
    trigger("restore");
    QCOMPARE(boxes.boxes().size(), 2);
    QVERIFY2(boxes.boxes()[1].text.startsWith(QStringLiteral("تمت استعادة النسخة")), qPrintable(boxes.boxes()[1].text));
    QCOMPARE(books(*folder), before);
    QCOMPARE(folder->value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));

    // The file it replaced is kept beside it, as it was.
    const QString kept = folder->databasePath() + QStringLiteral(".before-restore-") + QDate::currentDate().toString(Qt::ISODate);
    QVERIFY(QFile::exists(kept));
    QCOMPARE(Backup::census(kept).phones, qint64(testing::hostileTexts().size() - 1));

    // Every window was let go: the start window, and a list opened now reads the restored book.
    QVERIFY(!Forms::loaded<Form2>());
    QVERIFY(Forms::loaded<Form1>()->isShown());
    QTest::mouseClick(Forms::loaded<Form1>()->Command1, Qt::LeftButton);
    QCOMPARE(Forms::loaded<Form2>()->DBGrid1->model()->rowCount(), testing::hostileTexts().size());

    // A second restore the same day keeps the file under the next free name.
    boxes.clear();
    testing::answerFileDialog(saved);
    trigger("restore");
    QVERIFY(QFile::exists(kept + QStringLiteral("-2")));
}

void TestBackup::foreignOrDamagedFilesAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    const QString foreign = QStringLiteral("الملف المختار ليس ملف دفاتر للدليل");
    QTest::newRow("a text file") << "text" << foreign;
    QTest::newRow("random bytes") << "random" << foreign;
    QTest::newRow("a database without the books") << "foreign" << foreign;
    const QString damaged = QStringLiteral("الملف المختار تالف");
    QTest::newRow("a backup cut in half") << "truncated" << damaged;
    QTest::newRow("a backup with a damaged page") << "damaged" << damaged;
    // Only the engine opens these: a descriptor closed elsewhere drops its locks.
    const QString own = QStringLiteral("الملف المختار هو ملف الدفاتر الذي يعمل عليه البرنامج الآن");
    QTest::newRow("the book itself") << "own:" << own;
    QTest::newRow("the book's log") << "own:-wal" << own;
    QTest::newRow("the book's shared memory") << "own:-shm" << own;
}

void TestBackup::foreignOrDamagedFilesAreRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    fillWithHostileTexts(*folder);
    const QList<QVariantList> before = books(*folder);
    QString path = folder->path() + QStringLiteral("/other.mdb");
    if (kind.startsWith(u"own:")) {
        QTest::mouseClick(Forms::loaded<Form1>()->Command1, Qt::LeftButton); // the engine at work on it
        path = folder->databasePath() + kind.mid(4);
        QVERIFY(QFile::exists(path));
    } else if (kind == u"text" || kind == u"random") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray bytes = kind == u"text" ? QByteArray("BEGIN:VCARD\nFN:Ali\nEND:VCARD\n") : QByteArray(65536, '\0');
        if (kind == u"random") {
            for (char &c : bytes)
                c = char(QRandomGenerator::global()->bounded(256));
        }
        file.write(bytes);
    } else if (kind == u"foreign") {
        QVERIFY(testing::createDatabase(path, "CREATE TABLE Customers (name TEXT);"));
    } else {
        QVERIFY(Backup::write(folder->databasePath(), path).outcome == Backup::Outcome::Done);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const qint64 size = file.size();
        if (kind == u"truncated") {
            QVERIFY(file.resize(size / 2));
        } else {
            // The pages after the first overwritten: the engine still opens it, the check fails.
            file.seek(4096);
            file.write(QByteArray(int(qMin<qint64>(size - 4096, 8 * 4096)), '\x5a'));
        }
    }
    testing::BoxWatcher boxes;
    testing::answerFileDialog(path);
    trigger("restore");
    QCOMPARE(boxes.boxes().size(), 1);
    QVERIFY2(boxes.boxes()[0].text.startsWith(message), qPrintable(boxes.boxes()[0].text));
    QCOMPARE(boxes.boxes()[0].icon, QMessageBox::Critical);
    QCOMPARE(books(*folder), before);
    // Refused before anything was done: no copy of the file kept either.
    QVERIFY(!QFile::exists(folder->databasePath() + QStringLiteral(".before-restore-")
                           + QDate::currentDate().toString(Qt::ISODate)));
}

// The file a copy is written into until it is checked says what it is; those that copies the
// system stopped halfway left go with the next backup into the folder, unless another program
// is still writing one.
void TestBackup::aCopyLeftHalfwayIsNamedAndGoesWithTheNext()
{
    const QString copies = folder->path() + QStringLiteral("/copies/");
    QVERIFY(QDir().mkpath(copies));
    const QString mark = QStringLiteral(".نسخة-غير-مكتملة");
    const QString halfPage = copies + QStringLiteral("DB1-2020-01-01.mdb") + mark;
    const QString empty = copies + QStringLiteral("old.mdb") + mark;
    for (const QString &stale : {halfPage, empty}) {
        QFile file(stale);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(stale == halfPage ? 2048 : 0, 'x'));
    }
    const QString busy = copies + QStringLiteral("busy.mdb") + mark;
    QProcess writer;
    writer.start(QStringLiteral("sqlite3"), {busy});
    QVERIFY(writer.waitForStarted());
    writer.write("CREATE TABLE t (x);\nBEGIN EXCLUSIVE;\nINSERT INTO t VALUES (1);\nSELECT 'held';\n");
    while (!writer.readAllStandardOutput().contains("held") && writer.waitForReadyRead(5000)) {
    }

    testing::BoxWatcher boxes;
    testing::answerFileDialog(copies + QStringLiteral("new.mdb"));
    trigger("backup");
    QCOMPARE(boxes.boxes().size(), 1);
    QVERIFY(QFile::exists(copies + QStringLiteral("new.mdb")));
    QVERIFY(!QFile::exists(halfPage));
    QVERIFY(!QFile::exists(empty));
    QVERIFY(QFile::exists(busy));
    writer.write("COMMIT;\n.quit\n");
    QVERIFY(writer.waitForFinished());
    QCOMPARE(QDir(copies).entryList(QDir::Files), (QStringList{QStringLiteral("busy.mdb") + mark, QStringLiteral("new.mdb")}));
}

// A backup onto a disk with no room: the message says the disk is full, names the file, and
// gives the engine's words after; nothing is left on that disk.
void TestBackup::aFullDiskIsNamedAsTheCause()
{
    const QString full = folder->path() + QStringLiteral("/full");
    QVERIFY(QDir().mkpath(full));
    if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                    QStringLiteral("size=64k"), QStringLiteral("tmpfs"), full})
        != 0)
        QSKIP("a small disk cannot be mounted here");
    const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {full}); });
    folder->exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)"
                                " INSERT INTO Phone (الإسم, العنوان) SELECT 'سجل ' || i, printf('%.200c', 'x') FROM n"));
    testing::BoxWatcher boxes;
    const QString target = full + QStringLiteral("/copy.mdb");
    testing::answerFileDialog(target);
    trigger("backup");
    QCOMPARE(boxes.boxes().size(), 1);
    const QString said = boxes.boxes()[0].text;
    QVERIFY2(said.contains(QStringLiteral("القرص ممتلئ")) && said.contains(target)
                 && said.contains(QStringLiteral("database or disk is full")),
             qPrintable(said));
    QVERIFY(QDir(full).entryList(QDir::Files).isEmpty());
}

TESTING_WINDOW_TEST_MAIN(TestBackup)
#include "tst_backup.moc"
