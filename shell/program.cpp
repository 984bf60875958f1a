#include "program.h"

#include "accessconversion.h"
#include "form1.h"
#include "mdiform1.h"

#include "appointments/reminding.h"

#include "common/application.h"
#include "common/form.h"
#include "common/filelisting.h"
#include "common/menustyle.h"
#include "common/printing.h"

#include "data/database.h"
#include "data/upgrade.h"

#include <QApplication>
#include <QWindow>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>

namespace dalil {

namespace {

Reminders::Clock reminderClock = Reminders::systemClock();
ReminderSchedule::Elapsed reminderElapsed;
// A book of a million appointments takes a few tenths of a second to read: the reminders
// wait until the user has the start window, a moment after it is up.
int reminderDelayMs = 1500;

FormHost *createFrame()
{
    return MDIForm1::create();
}

void showStartWindow()
{
    Form1 *start = Forms::Load<Form1>();
    start->Show();
    start->setMaximized();
}

// Keying a big book for its searches takes a while on the first opening after an update:
// the user sees it go on. The work is one transaction, so that stopping the program half
// way leaves the file as it was; user input waits until it is done.
bool showUpgradeProgress(qint64 done, qint64 total)
{
    static QPointer<QProgressDialog> dialog;
    constexpr qint64 shownFrom = 20000;
    if (total < shownFrom)
        return true;
    if (!dialog) {
        dialog = new QProgressDialog(QStringLiteral("يجري تجهيز ملف البيانات للبحث بصيغ الكتابة المختلفة..."), QString(), 0, 100,
                                     MDIForm1::instance());
        dialog->setObjectName(QStringLiteral("ProgressDialog1"));
        dialog->setWindowTitle(QStringLiteral("الدليل"));
        dialog->setCancelButton(nullptr);
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->setMinimumDuration(0);
    }
    dialog->setValue(int(done * 100 / total));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (done >= total)
        dialog->deleteLater();
    return true;
}

} // namespace

void setApplicationFolder(const QString &folder)
{
    setApplicationFolderPath(folder);
}

void setPrintTarget(const QString &pdfPath)
{
    Printing::setTarget(pdfPath);
}

void setReminderClock(Reminders::Clock clock, ReminderSchedule::Elapsed elapsed)
{
    reminderClock = std::move(clock);
    reminderElapsed = std::move(elapsed);
    reminderDelayMs = 0; // a test's clock does not wait
}

void start()
{
    installFontSubstitutions();
    installUserInterfaceLanguage();
    FileListing::install();
    MenuStyle::install();
    QApplication::setLayoutDirection(Qt::RightToLeft);
    Forms::setHostFactory(&createFrame);
    Forms::setStartWindowHandler(&showStartWindow);
    Upgrade::setProgressHandler(&showUpgradeProgress);
    // The program starts by creating the start window; being a child of the frame, it
    // brings the frame up first.
    showStartWindow();
    QObject::connect(Database::Notices::instance(), &Database::Notices::replaced, MDIForm1::instance(),
                     &Forms::followReplacedFile);
    // The user comes back to the program: the file is checked before anything is read or written.
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, MDIForm1::instance(), [](QWindow *window) {
        if (window && MDIForm1::instance() && window == MDIForm1::instance()->windowHandle())
            Database::letGoIfReplaced(databasePath());
    });
    // A book kept by the older program (Access) is offered for conversion once the start
    // window is up; the reminders read the file a moment after, once it is Dalil's own: a big
    // or damaged file does not hold the program's first appearance.
    QTimer::singleShot(0, MDIForm1::instance(), [] {
        AccessConversion::offer(MDIForm1::instance(), [] {
            if (reminderClock)
                QTimer::singleShot(reminderDelayMs, MDIForm1::instance(), [] {
                    if (isRunning() && !Reminding::isRunning())
                        Reminding::start(databasePath(), reminderClock, reminderElapsed);
                });
        });
    });
}

void endProgram()
{
    if (MDIForm1 *frame = MDIForm1::instance())
        frame->end();
}

bool isRunning()
{
    return MDIForm1::instance() != nullptr;
}

} // namespace dalil
