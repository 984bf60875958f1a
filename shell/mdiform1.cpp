#include "mdiform1.h"

#include "backups.h"
#include "form12.h"
#include "form11.h"
#include "form8.h"
#include "form15.h"
#include "form16.h"
#include "program.h"

#include "appointments/appointments.h"
#include "appointments/reminding.h"
#include "chequebook/chequebook.h"
#include "phonebook/phonebook.h"

#include "common/application.h"
#include "common/datacontrol.h"
#include "common/listwindow.h"
#include "common/messagebox.h"
#include "common/twips.h"
#include "data/text/counts.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>

namespace dalil {

namespace {

// The lead items' captions: "عند الموعد", "قبل 5 دقائق" ... "قبل يوم".
QString leadCaption(int minutes)
{
    switch (minutes) {
    case 0:
        return QStringLiteral("عند الموعد");
    case 60:
        return QStringLiteral("قبل ساعة");
    case 24 * 60:
        return QStringLiteral("قبل يوم");
    }
    return QStringLiteral("قبل ") + Counts::text(minutes, Counts::minute(), Counts::Case::Oblique);
}

QPointer<MDIForm1> &theFrame()
{
    static QPointer<MDIForm1> frame;
    return frame;
}

QAction *menuItem(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

// A window of the frame that comes up only when the program shows its form: the area's own
// moves (activating the next window after a close or a message box) never bring up a window
// the program hid.
class FormWindow : public QMdiSubWindow
{
public:
    explicit FormWindow(Form *form) : m_form(form) {}

    void setVisible(bool visible) override
    {
        if (visible && m_form && !m_form->isMeantToBeShown())
            return;
        QMdiSubWindow::setVisible(visible);
    }

private:
    QPointer<Form> m_form;
};

} // namespace

MDIForm1 *MDIForm1::create()
{
    if (!theFrame())
        theFrame() = new MDIForm1;
    return theFrame();
}

MDIForm1 *MDIForm1::instance()
{
    return theFrame();
}

MDIForm1::MDIForm1()
    : m_area(new QMdiArea(this))
{
    setObjectName(QStringLiteral("MDIForm1"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("برنامج الدليل الشخصي"));
    setLayoutDirection(Qt::RightToLeft);
    resize(twipsSize(11880, 8310) + QSize(0, menuBar()->sizeHint().height()));

    m_area->setObjectName(QStringLiteral("area"));
    m_area->setBackground(palette().brush(QPalette::Dark)); // the application workspace colour
    setCentralWidget(m_area);

    // Access keys only; no item has a shortcut key.
    file = menuBar()->addMenu(QStringLiteral("&ملف"));
    file->setObjectName(QStringLiteral("file"));
    phone = menuItem(file, QStringLiteral("phone"), QStringLiteral("&دليل الهاتف"));
    note = menuItem(file, QStringLiteral("note"), QStringLiteral("م&ذكرة المواعيد"));
    check = menuItem(file, QStringLiteral("check"), QStringLiteral("د&فتر الشيكات"));
    border = file->addSeparator();
    border->setObjectName(QStringLiteral("border"));
    print = menuItem(file, QStringLiteral("print"), QStringLiteral("&طباعة"));
    import_ = menuItem(file, QStringLiteral("import"), QStringLiteral("استيراد..."));
    export_ = menuItem(file, QStringLiteral("export"), QStringLiteral("تصدير..."));
    backup = menuItem(file, QStringLiteral("backup"), QStringLiteral("نسخة احتياطية..."));
    restore = menuItem(file, QStringLiteral("restore"), QStringLiteral("استعادة نسخة..."));
    syncnow = menuItem(file, QStringLiteral("syncnow"), QStringLiteral("مزامنة الآن"));
    help = menuItem(file, QStringLiteral("help"), QStringLiteral("م&ساعدة"));
    exit = menuItem(file, QStringLiteral("exit"), QStringLiteral("خ&روج"));

    options = menuBar()->addMenu(QStringLiteral("&خيارات"));
    options->setObjectName(QStringLiteral("options"));
    addphone = menuItem(options, QStringLiteral("addphone"), QStringLiteral("إضافة سجل &هاتف"));
    addnote = menuItem(options, QStringLiteral("addnote"), QStringLiteral("إضافة مو&عد"));
    addcheck = menuItem(options, QStringLiteral("addcheck"), QStringLiteral("إضافة &شيك"));
    options->addSeparator();
    layouts = menuItem(options, QStringLiteral("layouts"), QStringLiteral("إعداد الشيكات"));
    hijri = menuItem(options, QStringLiteral("hijri"), QStringLiteral("التقويم الهجري"));
    reminders = options->addMenu(QStringLiteral("التذكير"));
    reminders->setObjectName(QStringLiteral("reminders"));
    reminders->menuAction()->setObjectName(QStringLiteral("remindersItem"));
    auto *leads = new QActionGroup(this);
    const std::pair<int, const char16_t *> leadItems[] = {{0, u"attime"}, {5, u"fiveminutes"}, {15, u"quarterhour"},
                                                          {30, u"halfhour"}, {60, u"onehour"}, {24 * 60, u"oneday"}};
    for (const auto &[minutes, name] : leadItems) {
        QAction *item = menuItem(reminders, QString::fromUtf16(name), leadCaption(minutes));
        item->setCheckable(true);
        item->setData(minutes);
        leads->addAction(item);
        connect(item, &QAction::triggered, this, [this, minutes] { lead_Click(minutes); });
    }
    // The lead kept in the file, whoever changed it last.
    connect(reminders, &QMenu::aboutToShow, this, [this] {
        const int kept = Reminders::lead(databasePath());
        for (QAction *item : reminders->actions())
            item->setChecked(item->data().toInt() == kept);
    });
    deleted = menuItem(options, QStringLiteral("deleted"), QStringLiteral("المحذوفات"));
    sync = menuItem(options, QStringLiteral("sync"), QStringLiteral("المزامنة"));

    connect(phone, &QAction::triggered, this, &MDIForm1::phone_Click);
    connect(note, &QAction::triggered, this, &MDIForm1::note_Click);
    connect(check, &QAction::triggered, this, &MDIForm1::check_Click);
    connect(help, &QAction::triggered, this, &MDIForm1::help_Click);
    connect(exit, &QAction::triggered, this, &MDIForm1::exit_Click);
    connect(addphone, &QAction::triggered, this, &MDIForm1::addphone_Click);
    connect(addnote, &QAction::triggered, this, &MDIForm1::addnote_Click);
    connect(addcheck, &QAction::triggered, this, &MDIForm1::addcheck_Click);
    connect(print, &QAction::triggered, this, &MDIForm1::print_Click);
    connect(import_, &QAction::triggered, this, &MDIForm1::import_Click);
    connect(export_, &QAction::triggered, this, &MDIForm1::export_Click);
    connect(backup, &QAction::triggered, this, &MDIForm1::backup_Click);
    connect(restore, &QAction::triggered, this, &MDIForm1::restore_Click);
    connect(layouts, &QAction::triggered, this, &MDIForm1::layouts_Click);
    // Printing prints the list in front: offered only while there is one.
    connect(file, &QMenu::aboutToShow, this, [this] { print->setEnabled(listInFront() != nullptr); });
    connect(hijri, &QAction::triggered, this, &MDIForm1::hijri_Click);
    connect(deleted, &QAction::triggered, this, &MDIForm1::deleted_Click);
    connect(sync, &QAction::triggered, this, &MDIForm1::sync_Click);
    connect(syncnow, &QAction::triggered, this, &MDIForm1::syncnow_Click);
    // The conflicts of a sync the user asked for come up at once; those of the syncs that run
    // by themselves wait behind the status bars' word.
    connect(Sync::Service::instance(), &Sync::Service::conflictsFound, this, [this] {
        if (std::exchange(m_showConflicts, false))
            openConflicts();
    });

    // Maximized even where no window manager does it for us.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    showMaximized();
}

MDIForm1::~MDIForm1()
{
    if (theFrame() == this) {
        theFrame().clear();
        Forms::setHost(nullptr);
    }
}

void MDIForm1::adopt(Form *form)
{
    auto *window = new FormWindow(form);
    window->setObjectName(form->objectName() + QStringLiteral("Window"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWidget(form);
    window->setWindowTitle(form->frameCaption());
    window->setWindowIcon(form->windowIcon());
    m_area->addSubWindow(window);
    window->hide();
    window->installEventFilter(this);
}

bool MDIForm1::eventFilter(QObject *watched, QEvent *event)
{
    // A window hidden or closed uncovers the one beneath it.
    // Not from inside the hide itself: a window changing its own state hides and re-shows
    // itself on the way, and must be left to finish.
    if (event->type() == QEvent::Hide && !event->spontaneous() && qobject_cast<QMdiSubWindow *>(watched))
        QMetaObject::invokeMethod(this, &MDIForm1::maximizeTopWindow, Qt::QueuedConnection);
    return QMainWindow::eventFilter(watched, event);
}

void MDIForm1::showForm(Form *form)
{
    if (auto *window = qobject_cast<QMdiSubWindow *>(form->parentWidget())) {
        window->setWindowIcon(form->windowIcon());
        window->showMaximized();
        m_area->setActiveSubWindow(window);
        m_shownOrder.removeAll(window);
        m_shownOrder.removeAll(nullptr);
        m_shownOrder.append(window);
        bringToFront(form);
    }
}

void MDIForm1::hideForm(Form *form)
{
    if (auto *window = qobject_cast<QMdiSubWindow *>(form->parentWidget())) {
        window->hide();
        uncoverTopWindow(true);
    }
}

void MDIForm1::bringToFront(Form *form)
{
    m_front = form;
    // A list shows what the file holds now, and the focus goes to a harmless control.
    form->catchUpWithFile();
    if (QWidget *focus = form->restingFocus(); focus && focus->isEnabled())
        focus->setFocus(Qt::OtherFocusReason);
}

void MDIForm1::maximizeTopWindow()
{
    uncoverTopWindow(false);
}

void MDIForm1::uncoverTopWindow(bool hidden)
{
    if (m_ending)
        return;
    // The window shown last of those still shown, whatever the area itself activated on the
    // way (it goes by its own history and may raise an older window).
    m_shownOrder.removeAll(nullptr);
    for (auto it = m_shownOrder.crbegin(); it != m_shownOrder.crend(); ++it) {
        QMdiSubWindow *window = *it;
        if (!window->isVisible())
            continue;
        if (!window->isMaximized())
            window->showMaximized();
        m_area->setActiveSubWindow(window);
        // The window uncovered takes its resting focus, unless it was the one in front already
        // (a window shown again after a failed save keeps the focus its handler gave it).
        auto *form = qobject_cast<Form *>(window->widget());
        if (form && (hidden || form != m_front))
            bringToFront(form);
        return;
    }
    // Nothing left on screen (the close box of the last book, say): the frame never stands
    // empty, the start window comes back as the back buttons bring it. Not from inside the
    // program's own hide, which may show the window again at once (a save the file refused).
    if (!hidden)
        Forms::showStartWindow();
}

void MDIForm1::end()
{
    if (m_ending)
        return;
    m_ending = true;
    close();
}

void MDIForm1::closeEvent(QCloseEvent *event)
{
    // Closing the frame ends the program at once, without a question; pending typing in
    // any window is dropped, never written.
    m_ending = true;
    Reminding::stop();
    Sync::Service::instance()->stop();
    theFrame().clear();
    Forms::setHost(nullptr);
    const auto forms = Forms::all();
    for (Form *form : forms)
        Forms::remove(form);
    for (Form *form : forms) {
        const auto controls = form->findChildren<DataControl *>();
        for (DataControl *control : controls)
            control->source()->discardPending();
    }
    event->accept();
}

void MDIForm1::exit_Click()
{
    const auto answer = MessageBoxes::show(this, QMessageBox::Warning, QStringLiteral("الرجاء التأكيد"),
                                           QStringLiteral("هل تريد الخروج من البرنامج؟"),
                                           QMessageBox::Yes | QMessageBox::No, true);
    if (answer == QMessageBox::Yes)
        end();
}

void MDIForm1::phone_Click()
{
    phonebook::open(OpenedFrom::Menu);
}

void MDIForm1::note_Click()
{
    appointments::open(OpenedFrom::Menu);
}

void MDIForm1::check_Click()
{
    chequebook::open(OpenedFrom::Menu);
}

void MDIForm1::help_Click()
{
    openHelp();
}

void MDIForm1::addphone_Click()
{
    phonebook::addRecord();
}

void MDIForm1::addnote_Click()
{
    appointments::addRecord();
}

void MDIForm1::addcheck_Click()
{
    chequebook::addRecord();
}

ListWindow *MDIForm1::listInFront() const
{
    QMdiSubWindow *window = m_area->activeSubWindow();
    if (!window || !window->isVisible())
        return nullptr;
    return qobject_cast<ListWindow *>(window->widget());
}

void MDIForm1::print_Click()
{
    if (ListWindow *list = listInFront())
        list->printReport();
}

void MDIForm1::import_Click()
{
    Form12 *window = Forms::Load<Form12>();
    window->setImporting(true);
    window->Show();
}

void MDIForm1::export_Click()
{
    Form12 *window = Forms::Load<Form12>();
    window->setImporting(false);
    window->Show();
}

void MDIForm1::backup_Click()
{
    Backups::backUp(this);
}

void MDIForm1::restore_Click()
{
    Backups::restore(this);
}

void MDIForm1::layouts_Click()
{
    chequebook::openLayouts();
}

void MDIForm1::hijri_Click()
{
    appointments::hijriOptions();
}

void MDIForm1::lead_Click(int minutes)
{
    const DataError error = Reminding::setLead(databasePath(), minutes);
    if (error.isError())
        MessageBoxes::dataError(this, error);
}

void MDIForm1::deleted_Click()
{
    // A window loaded now has just read the file; one loaded before reads it again only
    // where the file changed since.
    Form11 *window = Forms::Load<Form11>();
    window->catchUpWithFile();
    window->Show();
}

void MDIForm1::sync_Click()
{
    Form15 *window = Forms::Load<Form15>();
    window->Show();
}

void MDIForm1::syncnow_Click()
{
    Sync::Service *service = Sync::Service::instance();
    if (!service->settings().isSet()) {
        sync_Click();
        return;
    }
    if (!service->conflicts().isEmpty())
        openConflicts();
    m_showConflicts = true;
    service->syncNow();
}

void MDIForm1::openConflicts()
{
    if (Sync::Service::instance()->conflicts().isEmpty())
        return;
    Form16 *window = Forms::Load<Form16>();
    window->fill();
    window->Show();
}

} // namespace dalil
