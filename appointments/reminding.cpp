#include "reminding.h"

#include "form14.h"

#include "common/icons.h"

#include "data/store/books.h"
#include "data/text/clocktime.h"
#include "data/text/counts.h"

#include <QApplication>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>

namespace dalil::Reminding {

namespace {

struct Run
{
    QString path;
    Reminders::Clock clock;
    std::unique_ptr<ReminderSchedule> schedule;
    std::unique_ptr<Form14> window;
    std::unique_ptr<QSystemTrayIcon> tray;
};

std::unique_ptr<Run> &run()
{
    static std::unique_ptr<Run> theRun;
    return theRun;
}

// The notification's text: the first appointment and its time, and how many more.
QString noticeText(const QList<Reminders::Reminder> &reminders)
{
    const Reminders::Reminder &first = reminders.first();
    QString text = ClockTime::text(first.dueAt.time()) + QStringLiteral(" — ")
                   + first.note.value(Books::NoteColumns::text).toString().left(200);
    if (reminders.size() > 1)
        text += QStringLiteral("\nو%1 غيره").arg(Counts::text(reminders.size() - 1, Counts::appointment()));
    return text;
}

Form14 *ensureWindow()
{
    Run &r = *run();
    if (!r.window) {
        r.window = std::make_unique<Form14>(r.path, r.clock);
        QObject::connect(r.window.get(), &Form14::answered, r.schedule.get(), &ReminderSchedule::rearm);
    }
    return r.window.get();
}

void show(const QList<Reminders::Reminder> &reminders, Form14::Group group)
{
    if (reminders.isEmpty())
        return;
    ensureWindow()->add(reminders, group);
    Run &r = *run();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    if (!r.tray) {
        r.tray = std::make_unique<QSystemTrayIcon>(Icons::appointment());
        r.tray->setToolTip(QStringLiteral("الدليل: تذكير بالمواعيد"));
        QObject::connect(r.tray.get(), &QSystemTrayIcon::messageClicked, r.window.get(), [] {
            if (Form14 *w = window()) {
                w->showNormal();
                w->raise();
                w->activateWindow();
            }
        });
    }
    r.tray->show();
    r.tray->showMessage(group == Form14::Group::Missed ? QStringLiteral("مواعيد فاتتك") : QStringLiteral("تذكير بموعد"),
                        noticeText(reminders), QSystemTrayIcon::Information);
}

} // namespace

void start(const QString &databasePath, Reminders::Clock clock, ReminderSchedule::Elapsed elapsed)
{
    stop();
    run() = std::make_unique<Run>();
    Run &r = *run();
    r.path = databasePath;
    r.clock = clock;
    r.schedule = std::make_unique<ReminderSchedule>(databasePath, std::move(clock), std::move(elapsed));
    QObject::connect(r.schedule.get(), &ReminderSchedule::ring, r.schedule.get(),
                     [](const QList<Reminders::Reminder> &reminders) { show(reminders, Form14::Group::Ringing); });
    // What another copy of the program answered closes here too, at the next check.
    QObject::connect(r.schedule.get(), &ReminderSchedule::checked, r.schedule.get(), [] {
        if (Form14 *w = window())
            w->dropAnswered();
    });
    // The program ends through its frame, which stops the reminders; a quit by any other way
    // must not leave the window to outlive the application.
    static const bool stopsAtQuit = QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [] { stop(); });
    Q_UNUSED(stopsAtQuit);
    show(r.schedule->start(), Form14::Group::Missed);
}

void stop()
{
    if (!run())
        return;
    run()->schedule->stop();
    run().reset();
}

bool isRunning()
{
    return run() != nullptr;
}

ReminderSchedule *schedule()
{
    return run() ? run()->schedule.get() : nullptr;
}

Form14 *window()
{
    return run() ? run()->window.get() : nullptr;
}

DataError setLead(const QString &databasePath, int minutes)
{
    const DataError error = Reminders::setLead(databasePath, minutes);
    if (run() && run()->path == databasePath)
        run()->schedule->rearm();
    return error;
}

} // namespace dalil::Reminding
