// A DB1.mdb kept by Microsoft Access, met at start through the real windows: the question, the
// records that cannot come over, the message, and the books as the lists then show them.
#include "testsupport.h"

#include "chequebook/form6.h"
#include "common/statusbar.h"
#include "data/exchange/access/accessfile.h"
#include "phonebook/form2.h"
#include "shell/form1.h"
#include "shell/form12.h"
#include "shell/form13.h"
#include "shell/form17.h"
#include "shell/mdiform1.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace dalil;

namespace {

const QString fixtures = QStringLiteral(DALIL_ACCESS_FIXTURES);

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestConvert : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { testing::stopProgram(); }
    void convertsAtStart_data();
    void convertsAtStart();
    void noLeavesTheFileAsItIs();
    void stoppedAtTheHeldChequesChangesNothing();
    void importsTheChequesOfAnAccessFile();
};

void TestConvert::convertsAtStart_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("held");       // cheques shown in Form17 before anything is written
    QTest::addColumn<QString>("said");   // in the last message
    QTest::addColumn<int>("phones");     // then in the phone list
    QTest::addColumn<QString>("total");  // and the cheque list's sums
    QTest::newRow("Access 2000") << QStringLiteral("DB1-access2000.mdb") << 0
                                 << QStringLiteral("تم تحويل الدفاتر: 27 سجل هاتف، 19 موعد\u064Bا، 37 شيك\u064Bا.") << 27
                                 << QStringLiteral("مجموع المبالغ المسجلة: 231535 دينار و 7848 فلس");
    QTest::newRow("Access 2007") << QStringLiteral("DB1-access2007.mdb") << 0
                                 << QStringLiteral("تم تحويل الدفاتر: 27 سجل هاتف، 19 موعد\u064Bا، 37 شيك\u064Bا.") << 27
                                 << QStringLiteral("مجموع المبالغ المسجلة: 231535 دينار و 7848 فلس");
    QTest::newRow("edge cases, six cheques left out") << QStringLiteral("DB1-access2000-edge.mdb") << 6
                                                      << QStringLiteral("DB1-unconverted-cheques.csv") << 6
                                                      << QStringLiteral("مجموع المبالغ المسجلة: 999999999999 دينار و 999 فلس");
    QTest::newRow("Access 97, without the books") << QStringLiteral("jet3/testV1997.mdb") << 0
                                                  << QStringLiteral("لا يحوي الملف") << -1 << QString();
}

void TestConvert::convertsAtStart()
{
    QFETCH(QString, file);
    QFETCH(int, held);
    QFETCH(QString, said);
    QFETCH(int, phones);
    QFETCH(QString, total);
    testing::AppFolder folder(false);
    const QByteArray original = bytesOf(fixtures + u'/' + file);
    QVERIFY(QFile::copy(fixtures + u'/' + file, folder.databasePath()));

    testing::BoxWatcher boxes(QMessageBox::Yes);
    QVERIFY(testing::startProgram(folder));
    if (held > 0) {
        QVERIFY(QTest::qWaitFor([] { return Forms::loaded<Form17>() && Forms::loaded<Form17>()->isShown(); }));
        Form17 *window = Forms::loaded<Form17>();
        QCOMPARE(window->Table1->rowCount(), held);
        QCOMPARE(window->Table1->item(0, 3)->text(), QStringLiteral("12.5000"));
        QVERIFY(window->Label1->text().contains(QString::number(held)));
        QVERIFY(Access::hasSignature(folder.databasePath())); // nothing written yet
        QTest::mouseClick(window->Command1, Qt::LeftButton);
    }
    QVERIFY(QTest::qWaitFor([&] { return boxes.boxes().size() == 2; }));
    QCOMPARE(boxes.boxes().at(0).buttons.size(), 2); // the question: Yes or No
    QVERIFY2(boxes.boxes().at(1).text.contains(said), qPrintable(boxes.boxes().at(1).text));
    if (phones < 0) {
        // Refused: the file as it was, alone.
        QCOMPARE(bytesOf(folder.databasePath()), original);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("DB1.mdb")});
        return;
    }
    QCOMPARE(bytesOf(folder.databasePath() + QStringLiteral(".access")), original);

    // The books open on the converted file.
    QTest::mouseClick(Forms::loaded<Form1>()->Command1, Qt::LeftButton);
    QCOMPARE(Forms::loaded<Form2>()->StatusBar1->panel(1)->text(), QStringLiteral("عدد السجلات: %1 سجل").arg(phones));
    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("check"))->trigger();
    QCOMPARE(Forms::loaded<Form6>()->StatusBar1->panel(3)->text(), total);
    QCOMPARE(boxes.boxes().size(), 2);
}

void TestConvert::noLeavesTheFileAsItIs()
{
    testing::AppFolder folder(false);
    QVERIFY(QFile::copy(fixtures + QStringLiteral("/DB1-access2000.mdb"), folder.databasePath()));
    const QByteArray original = bytesOf(folder.databasePath());
    testing::BoxWatcher boxes(QMessageBox::No);
    QVERIFY(testing::startProgram(folder));
    QVERIFY(QTest::qWaitFor([&] { return boxes.boxes().size() == 1; }));
    testing::runQueuedWork();
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(bytesOf(folder.databasePath()), original);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("DB1.mdb")});
    // A book opened then says what the file is.
    QTest::mouseClick(Forms::loaded<Form1>()->Command1, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return boxes.boxes().size() == 2; }));
    QVERIFY(boxes.boxes().at(1).text.contains(QStringLiteral("البرنامج السابق")));
}

void TestConvert::stoppedAtTheHeldChequesChangesNothing()
{
    testing::AppFolder folder(false);
    QVERIFY(QFile::copy(fixtures + QStringLiteral("/DB1-access2000-edge.mdb"), folder.databasePath()));
    const QByteArray original = bytesOf(folder.databasePath());
    testing::BoxWatcher boxes(QMessageBox::Yes);
    QVERIFY(testing::startProgram(folder));
    QVERIFY(QTest::qWaitFor([] { return Forms::loaded<Form17>() && Forms::loaded<Form17>()->isShown(); }));
    QTest::mouseClick(Forms::loaded<Form17>()->Command2, Qt::LeftButton);
    testing::runQueuedWork();
    QVERIFY(!Forms::loaded<Form17>());
    QVERIFY(Forms::loaded<Form1>()->isShown());
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(bytesOf(folder.databasePath()), original);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("DB1.mdb")});
}

// "استيراد..." takes an Access file that lies elsewhere: previewed, the cheques Dalil cannot
// hold named and left out, the others stored.
void TestConvert::importsTheChequesOfAnAccessFile()
{
    testing::AppFolder folder;
    QVERIFY(testing::startProgram(folder));
    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("import"))->trigger();
    Form12 *choice = Forms::loaded<Form12>();
    choice->Combo1->setCurrentIndex(2);
    choice->Combo2->setCurrentIndex(choice->Combo2->findText(QStringLiteral("دفاتر البرنامج السابق (Access)")));
    {
        testing::ExpectBoxes none;
        testing::answerFileDialog(fixtures + QStringLiteral("/DB1-access2000-edge.mdb"));
        QTest::mouseClick(choice->Command1, Qt::LeftButton);
    }
    Form13 *preview = Forms::loaded<Form13>();
    QVERIFY(preview && preview->isShown());
    QVERIFY2(preview->Label1->text().contains(QStringLiteral(": 3 سجل")), qPrintable(preview->Label1->text()));
    QVERIFY2(preview->Label2->text().contains(QStringLiteral("يُترك ما لا يحفظه الدليل كما هو (6 سجلات)")), qPrintable(preview->Label2->text()));
    testing::BoxWatcher boxes;
    QTest::mouseClick(preview->Command1, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return boxes.boxes().size() == 1; }));
    QVERIFY(boxes.boxes().at(0).text.contains(QStringLiteral("تم استيراد 3 سجل")));
    QCOMPARE(folder.value(QStringLiteral("SELECT count(*) FROM Cheque")).toInt(), 3);
}

TESTING_WINDOW_TEST_MAIN(TestConvert)
#include "tst_convert.moc"
