// A locked file: while another program holds a write transaction on DB1.mdb, the books
// still open and list; a save or a delete waits a bounded time, then says so in Arabic and
// keeps what was typed; once the lock is gone the same action succeeds.
#include "testsupport.h"

#include "chequebook/form6.h"
#include "chequebook/form7.h"
#include "common/dbgrid.h"
#include "common/textbox.h"
#include "data/database.h"
#include "phonebook/form2.h"
#include "phonebook/form3.h"
#include "shell/form1.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QPushButton>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

using namespace dalil;

// Another program (the sqlite3 shell) holding a write transaction open on the file.
class Locker
{
public:
    explicit Locker(const QString &database)
    {
        const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        if (shell.isEmpty())
            qFatal("the sqlite3 shell is needed for this test");
        m_process.start(shell, {database});
        m_process.waitForStarted();
        m_process.write("BEGIN IMMEDIATE;\nINSERT INTO Note (\"الموعد\") VALUES ('held');\nSELECT 'locked';\n");
        while (!m_process.readAllStandardOutput().contains("locked") && m_process.waitForReadyRead(5000)) {
        }
    }
    void release()
    {
        m_process.write("ROLLBACK;\n.quit\n");
        m_process.closeWriteChannel();
        m_process.waitForFinished(5000);
    }
    ~Locker()
    {
        if (m_process.state() != QProcess::NotRunning)
            release();
    }

private:
    QProcess m_process;
};

class TestLocked : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        folder = std::make_unique<testing::AppFolder>();
        folder->exec("INSERT INTO Phone (الإسم, المنزل) VALUES ('Ali', '1'), ('Bob', '2')");
        folder->exec("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES ('1','1','2002','Sami',5,700)");
        QVERIFY(testing::startProgram(*folder));
    }
    void cleanup()
    {
        testing::stopProgram();
        folder.reset();
    }

    void saveAndDeleteWaitThenSaySoAndSucceedLater();
    void chequeSaveUnderALock();

private:
    std::unique_ptr<testing::AppFolder> folder;
};

void TestLocked::saveAndDeleteWaitThenSaySoAndSucceedLater()
{
    Locker locker(folder->databasePath());
    testing::BoxWatcher boxes;

    // Reading is not blocked: the book opens and lists.
    QTest::mouseClick(Forms::loaded<Form1>()->Command1, Qt::LeftButton);
    Form2 *list = Forms::loaded<Form2>();
    QCOMPARE(list->DBGrid1->model()->rowCount(), 2);
    QVERIFY(boxes.boxes().isEmpty());

    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form3 *entry = Forms::loaded<Form3>();
    testing::typeText(entry->Text1, QStringLiteral("زيد"));
    testing::typeText(entry->Text2, QStringLiteral("0712"));
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QCOMPARE(boxes.boxes().size(), 1);
    QVERIFY(boxes.boxes()[0].text.contains(QStringLiteral("مشغولة")));
    QVERIFY(boxes.boxes()[0].text.contains(folder->databasePath()));
    QVERIFY(entry->isShown());
    QCOMPARE(entry->Text1->text(), QStringLiteral("زيد"));
    QCOMPARE(entry->Text2->text(), QStringLiteral("0712"));

    QTest::mouseClick(list->Command3, Qt::LeftButton); // delete, under the lock
    QCOMPARE(boxes.boxes().size(), 2);
    QVERIFY(boxes.boxes()[1].text.contains(QStringLiteral("مشغولة")));
    QCOMPARE(list->DBGrid1->model()->rowCount(), 2);

    locker.release();
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QCOMPARE(boxes.boxes().size(), 2);
    QVERIFY(!entry->isShown());
    QCOMPARE(folder->value("SELECT count(*) FROM Phone WHERE الإسم = 'زيد' AND المنزل = '0712'").toInt(), 1);
    QCOMPARE(list->DBGrid1->model()->rowCount(), 3);
    QTest::mouseClick(list->Command3, Qt::LeftButton);
    QCOMPARE(boxes.boxes().size(), 2);
    QCOMPARE(folder->value("SELECT count(*) FROM Phone").toInt(), 2);
    QCOMPARE(folder->value("SELECT count(*) FROM Note").toInt(), 0); // the other program's change was rolled back
}

void TestLocked::chequeSaveUnderALock()
{
    Locker locker(folder->databasePath());
    testing::BoxWatcher boxes;
    QTest::mouseClick(Forms::loaded<Form1>()->Command3, Qt::LeftButton);
    Form6 *list = Forms::loaded<Form6>();
    QCOMPARE(list->DBGrid1->model()->rowCount(), 1);
    QTest::mouseClick(list->Command1, Qt::LeftButton);
    Form7 *entry = Forms::loaded<Form7>();
    const QList<std::pair<BoundTextBox *, QString>> typed{
        {entry->Text5, "اثنا عشر دينارا وألف وخمسمائة فلس"}, // written before the figures, so kept
        {entry->Text1, "5"}, {entry->Text3, "6"}, {entry->Text2, "2024"}, {entry->Text8, "12"},
        {entry->Text7, "1500"}, {entry->Text4, "سامي"}, {entry->Text6, "إيجار"}};
    for (const auto &[box, text] : typed)
        testing::typeText(box, text);
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QCOMPARE(boxes.boxes().size(), 1);
    QVERIFY(entry->isShown());
    for (const auto &[box, text] : typed)
        QCOMPARE(box->text(), text);
    QCOMPARE(folder->value("SELECT count(*) FROM Cheque").toInt(), 1);

    locker.release();
    QTest::mouseClick(entry->Command1, Qt::LeftButton);
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(folder->rows("SELECT السيد, دينار, فلس FROM Cheque WHERE السيد = 'سامي'").value(0),
             (QVariantList{"سامي", 12, 1500}));
    QCOMPARE(folder->value("SELECT \"Sum من فلس\" FROM TotalTotal").toInt(), 2200);
}

TESTING_WINDOW_TEST_MAIN(TestLocked)
#include "tst_locked.moc"
