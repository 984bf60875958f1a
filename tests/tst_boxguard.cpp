// The guard that every window test runs under: a message box or modal dialog the test did not
// expect fails the test at once, named by its title and text, instead of blocking it.
#include "testsupport.h"

#include "common/messagebox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QProcess>
#include <QTest>
#include <QTimer>

namespace {

const QString title = QStringLiteral("خطأ في المدخلات");
const QString text = QStringLiteral("الرجاء إدخال الإسم");

// Shows the program's own box, as a window does, and returns once it is closed.
void showBox()
{
    dalil::MessageBoxes::show(nullptr, QMessageBox::Critical, title, text, QMessageBox::Ok, true);
}

// Closes whatever modal window is left, should the guard not have closed it; says whether it had to.
class Rescue
{
public:
    Rescue()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                m_needed = true;
                modal->close();
                if (auto *dialog = qobject_cast<QDialog *>(modal))
                    dialog->reject();
            }
        });
        m_timer.start(5000);
    }
    bool needed() const { return m_needed; }

private:
    QTimer m_timer;
    bool m_needed = false;
};

} // namespace

class TestBoxGuard : public QObject
{
    Q_OBJECT
private slots:
    void unexpectedBoxIsNamedAndClosed();
    void unexpectedModalDialogIsClosed();
    void expectedBoxesAreLeftToTheTest();
    void failsTheRunningTestAndGoesOn();
};

void TestBoxGuard::unexpectedBoxIsNamedAndClosed()
{
    QStringList reports;
    testing::BoxGuard guard([&](const QString &line) { reports << line; });
    Rescue rescue;
    showBox();
    QVERIFY(!rescue.needed());
    QCOMPARE(reports, QStringList{QStringLiteral("Unexpected message box \"%1\": %2").arg(title, text)});
    QCOMPARE(guard.reported(), reports);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestBoxGuard::unexpectedModalDialogIsClosed()
{
    QStringList reports;
    testing::BoxGuard guard([&](const QString &line) { reports << line; });
    Rescue rescue;
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("بحث"));
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(!rescue.needed());
    QCOMPARE(reports, QStringList{QStringLiteral("Unexpected dialog \"بحث\" (QDialog)")});
}

void TestBoxGuard::expectedBoxesAreLeftToTheTest()
{
    QStringList reports;
    testing::BoxGuard guard([&](const QString &line) { reports << line; });
    Rescue rescue;
    {
        testing::BoxWatcher watcher;
        showBox();
        QCOMPARE(watcher.boxes().size(), 1);
        QCOMPARE(watcher.boxes()[0].title, title);
    }
    QVERIFY(reports.isEmpty());
    {
        // A test answering boxes its own way declares them.
        testing::ExpectBoxes expecting;
        QTimer::singleShot(0, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Ok)->click();
        });
        showBox();
    }
    QVERIFY(reports.isEmpty());
    // Once the watcher is gone, the same box is unexpected again.
    showBox();
    QVERIFY(!rescue.needed());
    QCOMPARE(reports.size(), 1);
}

// The guard as the window tests have it, failing through the test framework: run in a
// process of its own, its verdict read from the output.
class GuardedRun : public QObject
{
    Q_OBJECT
private slots:
    void unexpectedBox()
    {
        showBox();
        QVERIFY(true);
    }
    void afterwards() { QVERIFY(!QApplication::activeModalWidget()); }
};

void TestBoxGuard::failsTheRunningTestAndGoesOn()
{
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TESTING_GUARDED_RUN"), QStringLiteral("1"));
    // Were the box left open, the run would end by its watchdog, not by the guard.
    environment.insert(QStringLiteral("QTEST_FUNCTION_TIMEOUT"), QStringLiteral("10000"));
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(run.waitForFinished(120000));
    const QString output = QString::fromUtf8(run.readAll());
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 1); // one failed test function
    QVERIFY2(output.contains(QStringLiteral("FAIL!  : GuardedRun::unexpectedBox() Unexpected message box \"%1\": %2")
                                 .arg(title, text)),
             qPrintable(output));
    QVERIFY2(output.contains(QStringLiteral("PASS   : GuardedRun::afterwards()")), qPrintable(output));
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    if (qEnvironmentVariableIsSet("TESTING_GUARDED_RUN")) {
        testing::BoxGuard guard;
        GuardedRun run;
        return QTest::qExec(&run, argc, argv);
    }
    TestBoxGuard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_boxguard.moc"
