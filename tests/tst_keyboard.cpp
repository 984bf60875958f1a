// One whole task in each book done with the keyboard alone, as a user who never touches the
// mouse does it: open the book, add a record, find it, change it, delete it. Tab reaches every
// control the task needs, Space presses buttons, Enter saves and searches.
#include "testsupport.h"

#include "common/form.h"
#include "shell/mdiform1.h"

#include <QApplication>
#include <QTest>

using namespace dalil;

namespace {

QWidget *focus()
{
    return QApplication::focusWidget();
}

QString nameOf(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (auto *form = qobject_cast<const Form *>(w))
            return form->objectName() + u'.' + widget->objectName();
    }
    return widget ? widget->objectName() : QStringLiteral("nothing");
}

// One step: "tab Form2.Command1" (Tab until that control has the focus), "key Space",
// "key Ctrl+A", "type text".
void play(const QString &step)
{
    const QString verb = step.section(u' ', 0, 0);
    const QString rest = step.section(u' ', 1);
    QWidget *now = focus();
    QVERIFY2(now, qPrintable(step + ": nothing has the focus"));
    if (verb == u"tab") {
        for (int presses = 0; presses < 40 && nameOf(focus()) != rest; ++presses)
            QTest::keyClick(focus(), Qt::Key_Tab);
        QVERIFY2(nameOf(focus()) == rest, qPrintable(step + ": Tab never reached it"));
    } else if (verb == u"type") {
        testing::typeText(now, rest);
    } else if (verb == u"key") {
        const QKeySequence key(rest);
        QTest::keyClick(now, Qt::Key(key[0].key()), key[0].keyboardModifiers());
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
    }
}

} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void init() { folder = std::make_unique<testing::AppFolder>(); }
    void cleanup()
    {
        testing::stopProgram();
        folder.reset();
    }
    void aWholeTaskWithTheKeysAlone_data();
    void aWholeTaskWithTheKeysAlone();

private:
    std::unique_ptr<testing::AppFolder> folder;
};

void TestKeyboard::aWholeTaskWithTheKeysAlone_data()
{
    QTest::addColumn<QString>("seed");    // a record there before, which the task leaves alone
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("checks"); // SQL giving one value, then that value, in turn

    QTest::newRow("phone book") << QStringLiteral("INSERT INTO Phone (الإسم, المنزل) VALUES ('أحمد', '0791')")
                                << QStringList{
                                       // The start window's first button has the focus.
                                       "key Space",
                                       // Esc drops a record begun, as the cancel button does.
                                       "tab Form2.Command1", "key Space", "type خطأ", "key Escape",
                                       "tab Form2.Command1", "key Space",
                                       "type سامي", "key Tab", "type 065", "key Return",
                                       "tab Form2.List1", "key Space", "type سا", "key Return",
                                       "tab Form2.Command5", "key Space",
                                       "key Ctrl+A", "type سامي علي", "key Return",
                                       "tab Form2.Command3", "key Space",
                                   }
                                << QStringList{"SELECT group_concat(الإسم) FROM Phone", "أحمد",
                                               "SELECT الإسم || '|' || المنزل FROM DeletedPhone", "سامي علي|065"};
    QTest::newRow("appointment book")
        << QStringLiteral("INSERT INTO Note (الموعد, اليوم, الساعة, التاريخ, الشهر, العام) VALUES "
                          "('زيارة', 'الخميس', '9', '1', '1', '2099')")
        << QStringList{
               "tab Form1.Command2", "key Space",
               "tab Form4.Command1", "key Space",
               // The weekday box fills itself from the date typed.
               "type اجتماع", "key Tab", "type 10:30", "key Tab", "key Tab", "type 15", "key Tab", "type 12",
               "key Tab", "type 2099", "key Return",
               // The highlight stayed on the appointment just saved.
               "tab Form4.Command4", "key Space",
               "key Ctrl+A", "type اجتماع المجلس", "key Tab", "key Return",
               "tab Form4.Command2", "key Space",
           }
        << QStringList{"SELECT group_concat(الموعد) FROM Note", "زيارة",
                       "SELECT الموعد || '|' || اليوم || '|' || التاريخ || '/' || الشهر || '/' || العام FROM DeletedNote",
                       "اجتماع المجلس|الثلاثاء|15/12/2099"};
    QTest::newRow("cheque book")
        << QStringLiteral("INSERT INTO Cheque (اليوم, الشهر, العام, السيد, دينار, فلس) VALUES ('1', '1', '2030', 'زيد', 1, 0)")
        << QStringList{
               "tab Form1.Command3", "key Space",
               "tab Form6.Command1", "key Space",
               // Date, payee, words, reason, then the figures, as a cheque reads.
               "type 5", "key Tab", "type 3", "key Tab", "type 2030", "key Tab", "type سالم", "key Tab", "key Tab",
               "type إيجار", "key Tab", "type 15", "key Tab", "type 250", "key Return",
               // By name, the second kind: choosing it takes the focus to the name box.
               "tab Form6.List1", "key Down", "type سا", "key Return",
               "tab Form6.Command5", "key Space",
               "tab Form7.Text6", "key Ctrl+A", "type إيجار آذار", "key Return",
               "tab Form6.Command3", "key Space",
           }
        << QStringList{"SELECT group_concat(السيد) FROM Cheque", "زيد",
                       "SELECT السيد || '|' || السبب || '|' || دينار || '|' || فلس || '|' || المبلغ FROM DeletedCheque",
                       "سالم|إيجار آذار|15|250|فقط خمسة عشر دينار\u064Bا ومائتان وخمسون فلس\u064Bا لا غير"};
}

void TestKeyboard::aWholeTaskWithTheKeysAlone()
{
    QFETCH(QString, seed);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, checks);
    folder->exec(seed);
    QVERIFY(testing::startProgram(*folder));
    QApplication::setActiveWindow(MDIForm1::instance());
    testing::runQueuedWork();
    for (const QString &step : std::as_const(steps)) {
        play(step);
        if (QTest::currentTestFailed())
            return;
        testing::runQueuedWork();
    }
    for (qsizetype i = 0; i + 1 < checks.size(); i += 2)
        QCOMPARE(folder->value(checks.at(i)).toString(), checks.at(i + 1));
}

TESTING_WINDOW_TEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
