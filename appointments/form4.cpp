#include "form4.h"

#include "form5.h"
#include "hijrisetting.h"

#include "common/application.h"
#include "common/controls.h"
#include "common/datacontrol.h"
#include "common/dbgrid.h"
#include "common/icons.h"
#include "common/messagebox.h"
#include "common/statusbar.h"
#include "common/syncstatus.h"
#include "common/twips.h"

#include "data/store/books.h"
#include "data/reminders/reminders.h"
#include "data/sync/engine.h"
#include "data/text/clocktime.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace dalil {

namespace {

// A panel of the status bar that the list writes itself: sunken, its text centred.
// A panel of the bar's own, its frame around its whole width: room beside the text, where an
// Arabic last letter (م, هـ) reaches past its advance.
class StatusLabel : public QLabel
{
public:
    using QLabel::QLabel;
    QSize sizeHint() const override { return QLabel::sizeHint() + QSize(room, 0); }
    QSize minimumSizeHint() const override { return QLabel::minimumSizeHint() + QSize(room, 0); }

private:
    static constexpr int room = 16;
};

QLabel *statusLabel(const QString &name, const QString &tip, QWidget *bar)
{
    auto *label = new StatusLabel(bar);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    label->setToolTip(tip);
    return label;
}

} // namespace

Form4::Form4()
    : ListWindow(designName(), 11880, 8595, {.afterCancel = AfterCancel::Shown, .bookName = QStringLiteral("مذكرة المواعيد")})
{
    setWindowTitle(QStringLiteral("مذكرة المواعيد"));
    setWindowIcon(Icons::appointment());
    setLayoutDirection(Qt::RightToLeft);

    // From right to left: add, edit, delete, back.
    Command1 = commandButton(QStringLiteral("Command1"), QStringLiteral("إضافة موعد"),
                      QStringLiteral("إضافة موعد لمذكرة المواعيد"), twipsRect(5640, 1080, 1335, 615), this);
    Command4 = commandButton(QStringLiteral("Command4"), QStringLiteral("تعديل موعد"),
                      QStringLiteral("تعديل موعد تم إدخاله سابقاً"), twipsRect(4320, 1080, 1335, 615), this);
    Command2 = commandButton(QStringLiteral("Command2"), QStringLiteral("حذف"),
                      QStringLiteral("حذف السجل الموجود إلى جانب السهم"), twipsRect(3000, 1080, 1335, 615), this);
    Command3 = commandButton(QStringLiteral("Command3"), QStringLiteral("رجوع"),
                      QStringLiteral("الرجوع إلى الشاشة الرئيسية"), twipsRect(1680, 1080, 1335, 615), this);

    Data1 = new DataControl(QStringLiteral("Data1"), this);
    Data1->setCaption(QStringLiteral("السابق                    التالي"));
    Data1->setGeometry(twipsRect(6480, 3840, 3060, 345));
    Data1->setVisible(false); // only the grid's source

    DBGrid1 = new DBGrid(QStringLiteral("DBGrid1"), this);
    DBGrid1->setGeometry(twipsRect(1680, 2040, 8295, 5415));
    DBGrid1->setCaption(QStringLiteral("مذكرة المواعيد"));
    DBGrid1->setRecordSelectors(true);
    DBGrid1->setLongTextColumns({5}); // the appointment
    DBGrid1->setDataSource(Data1);

    StatusBar1 = new StatusBar(QStringLiteral("StatusBar1"), this);
    setListControls(Data1, DBGrid1, StatusBar1, Command2, Command4);

    Label1 = statusLabel(QStringLiteral("Label1"), QStringLiteral("التاريخ الهجري للموعد المحدد"), StatusBar1);
    Label1->setMinimumWidth(twipsToPixels(StatusBar::defaultPanelWidth));
    Label2 = statusLabel(QStringLiteral("Label2"), QStringLiteral("لا يُذكَّر بالموعد إلا إذا فُهم تاريخه ووقته"), StatusBar1);
    Label2->hide();
    Label4 = statusLabel(QStringLiteral("Label4"), QStringLiteral("يُعدَّل هذا الموعد ويُحذف على الخادم، في السلسلة التي جاء منها"),
                         StatusBar1);
    Label4->setText(QStringLiteral("موعد متكرر من الخادم"));
    Label4->setContentsMargins(6, 0, 6, 0);
    Label4->hide();
    Label3 = new SyncStatus(QStringLiteral("Label3"), StatusBar1);
    placeHijriDate();
    // The selected appointment's day, read from its own columns as the grid moves.
    connect(Data1->source(), &RecordSource::currentChanged, this, &Form4::showSelectedDay);
    connect(Data1->source(), &RecordSource::refreshed, this, &Form4::showSelectedDay);
    connect(Data1->source(), &RecordSource::resynced, this, &Form4::showSelectedDay);
    connect(HijriSetting::instance(), &HijriSetting::changed, this, &Form4::showSelectedDay);

    setTabOrder(DBGrid1->view(), Command1);
    setTabOrder(Command1, Command4);
    setTabOrder(Command4, Command2);
    setTabOrder(Command2, Command3);

    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form4::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form4::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form4::Command4_Click);
}

void Form4::Form_Load()
{
    Data1->setDatabaseName(databasePath());
    Data1->setRecordSource(QStringLiteral("Note"));
}

QWidget *Form4::restingFocus()
{
    return DBGrid1->view();
}

void Form4::showList(ListEvent event, OpenedFrom)
{
    // The same steps from the start window's button and from the menu.
    switch (event) {
    case ListEvent::Opened:
        applyGridLayout();
        buildStatusPanels();
        break;
    case ListEvent::ChangedElsewhere:
        writeRecordCount();
        break;
    case ListEvent::Searched:
    case ListEvent::Deleted:
    case ListEvent::Saved:
    case ListEvent::Cancelled:
        applyGridLayout();
        updateStatus();
        break;
    }
}

void Form4::applyGridLayout()
{
    static constexpr int widths[] = {800, 800, 800, 800, 800, 4000};
    layOutColumns(widths, DBGrid::Alignment::Right);
}

void Form4::updateStatus()
{
    writeRecordCount();
    if (StatusPanel *date = StatusBar1->panel(2)) {
        date->setStyle(StatusPanel::Style::Date);
        date->setAlignment(StatusPanel::Alignment::Center);
    }
    if (StatusPanel *time = StatusBar1->panel(3)) {
        time->setStyle(StatusPanel::Style::Time);
        time->setAlignment(StatusPanel::Alignment::Center);
    }
}

void Form4::buildStatusPanels()
{
    if (StatusBar1->panelCount() >= 3)
        return; // the count stays as the last delete, save or cancel wrote it
    writeRecordCount();
    StatusPanel *date = StatusBar1->addPanel();
    date->setStyle(StatusPanel::Style::Date);
    date->setAlignment(StatusPanel::Alignment::Center);
    StatusPanel *time = StatusBar1->addPanel();
    time->setStyle(StatusPanel::Style::Time);
    time->setAlignment(StatusPanel::Alignment::Center);
    placeHijriDate();
}

void Form4::placeHijriDate()
{
    if (auto *row = qobject_cast<QBoxLayout *>(StatusBar1->layout())) {
        row->removeWidget(Label1);
        row->removeWidget(Label2);
        row->removeWidget(Label4);
        row->insertWidget(qMin(2, StatusBar1->panelCount()), Label1);
        row->insertWidget(row->indexOf(Label1) + 1, Label2);
        row->insertWidget(row->indexOf(Label2) + 1, Label4);
    }
}

void Form4::showSelectedDay()
{
    const RecordSource *rs = Data1->source();
    if (!rs->hasCurrentRecord()) {
        Label1->clear();
        Label2->hide();
        Label4->hide();
        return;
    }
    const std::optional<qint64> key = rs->currentKey();
    Label4->setVisible(key && Sync::Engine::isOccurrence(Data1->DatabaseName(), *key));
    const QString day = rs->fieldText(Books::NoteColumns::day);
    const QString month = rs->fieldText(Books::NoteColumns::month);
    const QString year = rs->fieldText(Books::NoteColumns::year);
    const QString time = rs->fieldText(Books::NoteColumns::time);
    // Said to be the appointment's, so that it is not read as today's.
    const QString hijri = HijriSetting::instance()->dateText(day, month, year);
    Label1->setText(hijri.isEmpty() ? QString() : QStringLiteral("الموعد: ") + hijri);
    const bool timeReads = ClockTime::read(time).has_value();
    const bool hasReminder = Reminders::dueTime({{Books::NoteColumns::day, day}, {Books::NoteColumns::month, month},
                                                 {Books::NoteColumns::year, year}, {Books::NoteColumns::time, time}})
                                 .has_value();
    Label2->setText(!timeReads ? QStringLiteral("لا تذكير: الوقت غير مفهوم")
                               : QStringLiteral("لا تذكير: التاريخ غير مفهوم"));
    Label2->setVisible(!hasReminder);
}

void Form4::Command1_Click()
{
    BeginNewRecord<Form5>();
}

bool Form4::mayDelete()
{
    const std::optional<qint64> key = Data1->Recordset()->currentKey();
    if (!key || !Sync::Engine::isOccurrence(Data1->DatabaseName(), *key))
        return true;
    MessageBoxes::recurringOccurrence(this);
    return false;
}

void Form4::Command2_Click()
{
    deleteSelected();
}

void Form4::Command3_Click()
{
    goBack();
}

void Form4::Command4_Click()
{
    // The appointment marked in the grid, found by identity: the grid's on-screen row
    // number would name another one once the list is scrolled.
    EditSelectedRecord<Form5>(this, Data1, QStringLiteral("تعديل موعد"));
}

} // namespace dalil
