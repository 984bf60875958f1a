#include "form14.h"

#include "hijrisetting.h"

#include "common/icons.h"
#include "common/messagebox.h"
#include "common/twips.h"

#include "data/store/books.h"
#include "data/text/clocktime.h"
#include "data/text/counts.h"
#include "data/text/dates.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QKeyEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace dalil {

namespace {

enum Column { Text, Weekday, Date, HijriDate, Time, ColumnCount };

// Where an item keeps its reminder.
constexpr int reminderRole = Qt::UserRole;

QString snoozeCaption(int minutes)
{
    return minutes == 60 ? QStringLiteral("ساعة") : Counts::text(minutes, Counts::minute());
}

Reminders::Reminder reminderOf(const QTreeWidgetItem *item)
{
    return item->data(Text, reminderRole).value<Reminders::Reminder>();
}

} // namespace

Form14::Form14(const QString &databasePath, Reminders::Clock clock)
    : QWidget(nullptr, Qt::Window), m_path(databasePath), m_clock(std::move(clock))
{
    setObjectName(designName());
    setWindowTitle(QStringLiteral("تذكير بالمواعيد"));
    setWindowIcon(Icons::appointment());
    setLayoutDirection(Qt::RightToLeft);
    setAttribute(Qt::WA_DeleteOnClose, false); // closed, it keeps what it lists for the next ring
    // It comes up over everything without taking the keyboard: what the user is typing in
    // another window goes on going there.
    setAttribute(Qt::WA_ShowWithoutActivating);

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setColumnCount(ColumnCount);
    ListView1->setHeaderLabels({QStringLiteral("الموعد"), QStringLiteral("اليوم"), QStringLiteral("التاريخ"),
                                QStringLiteral("التاريخ الهجري"), QStringLiteral("الساعة")});
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setUniformRowHeights(true);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionResizeMode(Text, QHeaderView::Stretch);
    for (int c = Weekday; c < ColumnCount; ++c)
        ListView1->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);

    Label1 = new QLabel(QStringLiteral("التأجيل:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    for (int minutes : Reminders::snoozeChoices)
        Combo1->addItem(snoozeCaption(minutes), minutes);
    Label1->setBuddy(Combo1);
    Command1 = new QPushButton(QStringLiteral("تأجيل"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setToolTip(QStringLiteral("التذكير بالمواعيد المحددة بعد المدة المختارة"));
    Command2 = new QPushButton(QStringLiteral("إغلاق"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setToolTip(QStringLiteral("إنهاء التذكير بالمواعيد المحددة"));
    for (QPushButton *button : {Command1, Command2})
        button->setMinimumSize(twipsSize(1335, 495));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Label1);
    buttons->addWidget(Combo1);
    buttons->addWidget(Command1);
    buttons->addStretch();
    buttons->addWidget(Command2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ListView1, 1);
    layout->addLayout(buttons);
    // However small the screen or the window manager makes it, the buttons keep their whole
    // height under the list: the window is never smaller than its strip and a few rows.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    ListView1->setMinimumHeight(ListView1->header()->sizeHint().height() + 4 * ListView1->fontMetrics().height());

    setTabOrder(ListView1, Combo1);
    setTabOrder(Combo1, Command1);
    setTabOrder(Command1, Command2);
    resize(twipsSize(12000, 4800));

    connect(ListView1, &QTreeWidget::itemSelectionChanged, this, &Form14::enableButtons);
    // The Hijri dates follow the options window, as every other window's do.
    connect(HijriSetting::instance(), &HijriSetting::changed, this, [this] {
        for (int g = 0; g < ListView1->topLevelItemCount(); ++g) {
            QTreeWidgetItem *group = ListView1->topLevelItem(g);
            for (int i = 0; i < group->childCount(); ++i)
                group->child(i)->setText(HijriDate, HijriSetting::instance()->dateText(reminderOf(group->child(i)).dueAt.date()));
        }
    });
    connect(Command1, &QPushButton::clicked, this, &Form14::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form14::Command2_Click);
    enableButtons();
}

QTreeWidgetItem *Form14::groupItem(Group group)
{
    QTreeWidgetItem *&item = m_groups[int(group)];
    if (!item) {
        item = new QTreeWidgetItem;
        item->setText(Text, group == Group::Missed ? QStringLiteral("مواعيد فاتتك") : QStringLiteral("تذكير"));
        QFont bold = font();
        bold.setBold(true);
        item->setFont(Text, bold);
        item->setFlags(Qt::ItemIsEnabled);
        // The reminders ringing now come first, what was missed after them.
        ListView1->insertTopLevelItem(group == Group::Ringing ? 0 : ListView1->topLevelItemCount(), item);
        item->setFirstColumnSpanned(true);
        item->setExpanded(true);
    }
    return item;
}

void Form14::add(const QList<Reminders::Reminder> &reminders, Group group)
{
    const QList<Reminders::Reminder> already = listed();
    for (const Reminders::Reminder &reminder : reminders) {
        if (std::ranges::any_of(already, [&](const Reminders::Reminder &r) {
                return r.noteKey == reminder.noteKey && r.dueAt == reminder.dueAt;
            }))
            continue;
        const QDate date = reminder.dueAt.date();
        auto *item = new QTreeWidgetItem;
        item->setText(Text, reminder.note.value(Books::NoteColumns::text).toString());
        item->setToolTip(Text, item->text(Text)); // a long text is cut in its column
        item->setText(Weekday, Dates::weekdayName(date));
        item->setText(Date, Dates::dateText(date));
        item->setText(HijriDate, HijriSetting::instance()->dateText(date));
        item->setText(Time, ClockTime::text(reminder.dueAt.time()));
        item->setData(Text, reminderRole, QVariant::fromValue(reminder));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        groupItem(group)->addChild(item);
        item->setSelected(true);
    }
    if (!ListView1->currentItem() || !ListView1->currentItem()->parent())
        if (QTreeWidgetItem *first = groupItem(group)->child(0))
            ListView1->setCurrentItem(first, 0, QItemSelectionModel::NoUpdate);
    enableButtons();
    if (!isVisible() && !m_placed) {
        // In the middle of the screen the first time; where the user moved it after that.
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect free = screen->availableGeometry();
            resize(size().boundedTo(free.size()).expandedTo(minimumSizeHint()));
            move(free.center() - rect().center());
        }
        m_placed = true;
    }
    show();
    if (isMinimized())
        showNormal();
    raise();
}

QList<Reminders::Reminder> Form14::listed() const
{
    QList<Reminders::Reminder> reminders;
    for (int g = 0; g < ListView1->topLevelItemCount(); ++g) {
        const QTreeWidgetItem *group = ListView1->topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i)
            reminders << reminderOf(group->child(i));
    }
    return reminders;
}

QList<Reminders::Reminder> Form14::selected() const
{
    QList<Reminders::Reminder> reminders;
    for (int g = 0; g < ListView1->topLevelItemCount(); ++g) {
        const QTreeWidgetItem *group = ListView1->topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i)
            if (group->child(i)->isSelected())
                reminders << reminderOf(group->child(i));
    }
    return reminders;
}

void Form14::enableButtons()
{
    const bool any = !ListView1->selectedItems().isEmpty();
    Command1->setEnabled(any);
    Command2->setEnabled(any);
}

void Form14::removeRows(const std::function<bool(QTreeWidgetItem *)> &gone)
{
    for (int g = ListView1->topLevelItemCount() - 1; g >= 0; --g) {
        QTreeWidgetItem *group = ListView1->topLevelItem(g);
        for (int i = group->childCount() - 1; i >= 0; --i) {
            if (gone(group->child(i)))
                delete group->child(i);
        }
        if (group->childCount() == 0) {
            m_groups[m_groups[0] == group ? 0 : 1] = nullptr;
            delete group;
        }
    }
}

void Form14::dropAnswered()
{
    const QList<Reminders::Reminder> shown = listed();
    if (shown.isEmpty())
        return;
    const QList<Reminders::Reminder> open = Reminders::stillOpen(m_path, shown);
    if (open.size() == shown.size())
        return;
    removeRows([&](QTreeWidgetItem *item) {
        const Reminders::Reminder r = reminderOf(item);
        return std::ranges::none_of(open, [&](const Reminders::Reminder &o) {
            return o.noteKey == r.noteKey && o.dueAt == r.dueAt;
        });
    });
    enableButtons();
    if (ListView1->topLevelItemCount() == 0)
        close();
}

void Form14::answer(const std::function<DataError(const Reminders::Reminder &)> &keep)
{
    DataError failure;
    removeRows([&](QTreeWidgetItem *item) {
        if (!item->isSelected())
            return false;
        const DataError error = keep(reminderOf(item));
        // An appointment deleted or given another time since it rang has nothing left to
        // remind of: its row goes, as a kept answer's does.
        if (error.isError() && error.kind != DataError::Kind::RecordGone) {
            failure = error;
            return false;
        }
        return true;
    });
    emit answered();
    if (failure.isError())
        MessageBoxes::dataError(this, failure);
    enableButtons();
    if (ListView1->topLevelItemCount() == 0)
        close();
}

void Form14::keyPressEvent(QKeyEvent *event)
{
    // Esc puts the window away as its close box does: what it lists stays for the next ring.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form14::Command1_Click()
{
    const int minutes = Combo1->currentData().toInt();
    const QDateTime now = m_clock();
    answer([&](const Reminders::Reminder &r) { return Reminders::snooze(m_path, r, minutes, now); });
}

void Form14::Command2_Click()
{
    answer([&](const Reminders::Reminder &r) { return Reminders::dismiss(m_path, r); });
}

} // namespace dalil
