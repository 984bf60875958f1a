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

#include "data/store/database.h"
#include "data/store/upgrade.h"
#include "data/sync/keyring.h"
#include "data/sync/service.h"
#include "data/text/hijri.h"

#include "common/listwindow.h"
#include "common/syncstatus.h"
#include "exchange.h"

#include <QApplication>
#include <QInputDialog>
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
// The first sync waits until the user has the start window and the reminders are read.
int syncDelayMs = 3000;

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

// The sync with the server: a moment after the start window, then by its setting. Its word
// goes to the lists' status bars; the lists read what it brought in.
void startSync()
{
    Sync::Service *sync = Sync::Service::instance();
    static const bool connected = [sync] {
        QObject::connect(sync, &Sync::Service::booksChanged, qApp, [](const QStringList &books) {
            for (const QString &book : books) {
                if (ListWindow *list = ExchangeFiles::bookList(book))
                    list->catchUpWithFile();
            }
        });
        QObject::connect(sync, &Sync::Service::passwordNeeded, qApp, [sync] {
            // No keyring holds it: asked once a run, kept for the run only.
            bool given = false;
            const QString password = QInputDialog::getText(
                MDIForm1::instance(), QStringLiteral("المزامنة"),
                QStringLiteral("كلمة المرور للمستخدم %1 على %2:").arg(sync->settings().user, sync->settings().server.host()),
                QLineEdit::Password, QString(), &given);
            if (given && !password.isEmpty())
                sync->setPassword(password);
        });
        SyncStatus::setConflictHandler([] {
            if (MDIForm1 *frame = MDIForm1::instance())
                frame->openConflicts();
        });
        return true;
    }();
    Q_UNUSED(connected);
    sync->start(databasePath(), syncDelayMs);
}

} // namespace

void setSyncDelay(int milliseconds, bool keyring)
{
    syncDelayMs = milliseconds;
    Sync::Keyring::setEnabled(keyring);
}

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
    Hijri::prepare();
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
    // window is up; the sync starts, and the reminders read the file a moment after, once it
    // is Dalil's own: a big or damaged file does not hold the program's first appearance.
    QTimer::singleShot(0, MDIForm1::instance(), [] {
        AccessConversion::offer(MDIForm1::instance(), [] {
            startSync();
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
