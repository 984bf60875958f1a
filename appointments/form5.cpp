#include "form5.h"

#include "form4.h"
#include "hijricalendar.h"
#include "hijrisetting.h"

#include "common/application.h"
#include "common/controls.h"
#include "common/datacontrol.h"
#include "common/fittext.h"
#include "common/focusmark.h"
#include "common/icons.h"
#include "common/messagebox.h"
#include "common/records.h"
#include "common/textbox.h"
#include "common/twips.h"
#include "data/sync/engine.h"
#include "data/text/clock.h"
#include "data/text/dates.h"

#include <QCalendarWidget>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>

namespace dalil {

namespace {

// The window's captions are in the Kufi face of the design, bold.
QLabel *kufiLabel(const QString &name, Qt::Alignment alignment, const QRect &at, QWidget *parent)
{
    QLabel *l = designLabel(name, QString(), alignment, at, parent);
    QFont font(QStringLiteral("Monotype Koufi"));
    font.setPointSizeF(9.75);
    font.setBold(true);
    l->setFont(font);
    return l;
}

} // namespace

Form5::Form5()
    : Form(designName(), 11880, 8595)
{
    setScaledWithFrame();
    setWindowTitle(addCaption());
    setWindowIcon(Icons::appointment());
    setLayoutDirection(Qt::RightToLeft);

    // The clock line, read right to left: "today" and the date, "the time" and the time.
    Label5 = kufiLabel(QStringLiteral("Label5"), Qt::AlignRight, twipsRect(11280, 120, 390, 375), this);
    showCaption(Label5, QStringLiteral("اليوم"));
    Label6 = kufiLabel(QStringLiteral("Label6"), Qt::AlignHCenter, twipsRect(10080, 120, 645, 375), this);
    Label7 = kufiLabel(QStringLiteral("Label7"), Qt::AlignHCenter, twipsRect(8760, 120, 555, 375), this);
    showCaption(Label7, QStringLiteral("التاريخ"));
    Label8 = kufiLabel(QStringLiteral("Label8"), Qt::AlignHCenter, twipsRect(7680, 120, 645, 375), this);

    // Today in the Hijri calendar, after the time.
    Label10 = kufiLabel(QStringLiteral("Label10"), Qt::AlignRight, twipsRect(4080, 120, 3000, 375), this);

    Data1 = new DataControl(QStringLiteral("Data1"), this);
    Data1->setCaption(QStringLiteral("السابق") + QString(39, u' ') + QStringLiteral("التالي"));
    Data1->setGeometry(twipsRect(5040, 960, 3900, 345));

    Label1 = kufiLabel(QStringLiteral("Label1"), Qt::AlignHCenter, twipsRect(6600, 1680, 495, 375), this);
    showCaption(Label1, QStringLiteral("الموعد"));
    Text1 = boundTextBox(QStringLiteral("Text1"), twipsRect(5040, 2040, 3855, 285), this, {}, Data1,
                         QStringLiteral("الموعد"));

    MonthView1 = new HijriMonthView(QStringLiteral("MonthView1"), this);
    MonthView1->setCalendar(m_calendar);
    MonthView1->setDateRange(QDate(1753, 1, 1), QDate(9999, 12, 31));
    MonthView1->setSelectedDate(Clock::today()); // until a record names another
    // Six weeks, the day letters and the month bar fit the designed box at 8 points.
    QFont calendarFont = MonthView1->font();
    calendarFont.setPointSizeF(8);
    MonthView1->setFont(calendarFont);
    MonthView1->setGeometry(twipsRect(5040, 2640, 3855, 2370));
    // The day columns share the designed width: the header's own minimum, taken from the
    // taller Arabic face, would make them wider than the calendar. The day grid is the
    // calendar's one table view.
    if (auto *days = MonthView1->findChild<QTableView *>()) {
        days->horizontalHeader()->setMinimumSectionSize(1);
        days->verticalHeader()->setMinimumSectionSize(1);
        markFocus(days, FocusMarkShape::Cell);
    }

    // Under the calendar, the chosen day in the Hijri calendar.
    Label9 = kufiLabel(QStringLiteral("Label9"), Qt::AlignHCenter, twipsRect(5040, 5070, 3855, 375), this);

    Label3 = kufiLabel(QStringLiteral("Label3"), Qt::AlignHCenter, twipsRect(3480, 2640, 525, 375), this);
    showCaption(Label3, QStringLiteral("الساعة"));
    Text3 = boundTextBox(QStringLiteral("Text3"), twipsRect(3120, 3000, 1215, 285), this, {}, Data1,
                         QStringLiteral("الساعة"));
    Label2 = kufiLabel(QStringLiteral("Label2"), Qt::AlignHCenter, twipsRect(3645, 3480, 405, 375), this);
    showCaption(Label2, QStringLiteral("اليوم"));
    Text2 = boundTextBox(QStringLiteral("Text2"), twipsRect(3120, 3840, 1215, 285), this, {}, Data1,
                         QStringLiteral("اليوم"));
    Label4 = kufiLabel(QStringLiteral("Label4"), Qt::AlignHCenter, twipsRect(3480, 4320, 555, 375), this);
    showCaption(Label4, QStringLiteral("التاريخ"));
    // Day, month, year in one row from right to left.
    Text4 = boundTextBox(QStringLiteral("Text4"), twipsRect(4080, 4680, 375, 285), this, {.maxLength = 2}, Data1,
                         QStringLiteral("التاريخ"));
    Text5 = boundTextBox(QStringLiteral("Text5"), twipsRect(3600, 4680, 375, 285), this, {.maxLength = 2}, Data1,
                         QStringLiteral("الشهر"));
    Text6 = boundTextBox(QStringLiteral("Text6"), twipsRect(2880, 4680, 615, 285), this, {.maxLength = 4}, Data1,
                         QStringLiteral("العام"));
    for (BoundTextBox *number : {Text4, Text5, Text6})
        acceptArabicDigits(number);

    Command1 = commandButton(QStringLiteral("Command1"), QStringLiteral("حفظ الموعد"), {},
                             twipsRect(7200, 6600, 1335, 615), this);
    Command2 = commandButton(QStringLiteral("Command2"), QStringLiteral("مسح الحقول"), {},
                             twipsRect(5640, 6600, 1335, 615), this);
    Command3 = commandButton(QStringLiteral("Command3"), QStringLiteral("إلغاء الأمر"), {},
                             twipsRect(4080, 6600, 1335, 615), this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer1->setTimerType(Qt::PreciseTimer); // a coarse tick may land twice in one second

    const QList<QWidget *> tabOrder{Text1, Text3, Text2, Text4, Text5, Text6, MonthView1,
                                    Command1, Command2, Command3};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form5::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form5::Command3_Click);
    // Enter saves from the short boxes; in the appointment's own text it is left alone.
    saveWithEnter({Text3, Text2, Text4, Text5, Text6}, Command1);
    cancelWithEscape(this, Command3);
    connect(MonthView1, &QCalendarWidget::clicked, this, &Form5::MonthView1_DateClick);
    // Enter on the highlighted day does what a click does.
    connect(MonthView1, &QCalendarWidget::activated, this, &Form5::MonthView1_DateClick);
    connect(Timer1, &QTimer::timeout, this, &Form5::Timer1_Timer);
    Timer1->start();
    // The Hijri day and the calendar follow the date boxes, whoever fills them: the calendar,
    // the user, a record. The weekday follows what the user types, so that a record shown is
    // never changed by being looked at.
    for (BoundTextBox *box : {Text4, Text5, Text6}) {
        connect(box, &QLineEdit::textChanged, this, &Form5::showHijriDay);
        connect(box, &QLineEdit::textChanged, this, &Form5::followDateBoxes);
        connect(box, &QLineEdit::textEdited, this, &Form5::fillWeekday);
    }
    // A record's own date, or today for a new one, is where the calendar opens.
    connect(Data1->source(), &RecordSource::currentChanged, this, [this] {
        if (!followDateBoxes())
            MonthView1->setSelectedDate(Clock::today());
    });
    connect(HijriSetting::instance(), &HijriSetting::changed, this, [this] {
        showHijriDay();
        showHijriToday(Clock::today());
    });
}

void Form5::showCaption(QLabel *label, const QString &text)
{
    label->setText(text);
    // The Kufi face that stands in for the design's is wider and taller than the one the
    // window was drawn for: a caption that would be cut widens its box instead.
    growToFit(label);
}

QWidget *Form5::restingFocus()
{
    return Text1;
}

void Form5::Form_Load()
{
    Data1->setDatabaseName(databasePath());
    Data1->setRecordSource(QStringLiteral("Note"));
    showCaption(Label6, Dates::dateText(Clock::today(), m_calendar));
    showCaption(Label8, Dates::timeText(Clock::now().time()));
    showHijriToday(Clock::today());
    showHijriDay();
}

void Form5::Timer1_Timer()
{
    const QDateTime now = Clock::now();
    showCaption(Label6, Dates::dateText(now.date(), m_calendar));
    showCaption(Label8, Dates::timeText(now.time()));
    showHijriToday(now.date());
}

void Form5::showHijriToday(QDate today)
{
    showCaption(Label10, HijriSetting::instance()->dateText(today));
}

void Form5::showHijriDay()
{
    showCaption(Label9, HijriSetting::instance()->dateText(Text4->text(), Text5->text(), Text6->text()));
}

std::optional<QDate> Form5::typedDate() const
{
    return Dates::dateOf(Text4->text(), Text5->text(), Text6->text(), m_calendar);
}

bool Form5::followDateBoxes()
{
    const std::optional<QDate> date = typedDate();
    if (!date || *date < MonthView1->minimumDate() || *date > MonthView1->maximumDate())
        return false;
    if (MonthView1->selectedDate() != *date)
        MonthView1->setSelectedDate(*date);
    return true;
}

void Form5::fillWeekday()
{
    // The weekday of the date typed: a stored appointment never names another day than its date.
    if (const std::optional<QDate> date = typedDate()) {
        const QString weekday = Dates::weekdayName(*date, m_calendar);
        if (Text2->text() != weekday)
            Text2->setText(weekday);
    }
}

void Form5::MonthView1_DateClick(const QDate &date)
{
    const QCalendar::YearMonthDay day = Dates::parts(date, m_calendar);
    Text4->setText(QString::number(day.day));
    Text5->setText(QString::number(day.month));
    Text6->setText(QString::number(day.year));
    Text2->setText(Dates::weekdayName(date, m_calendar));
    Text1->setFocus();
}

bool Form5::checkInput()
{
    auto refuse = [this](const QString &message, QWidget *focus) {
        MessageBoxes::inputError(this, message);
        focus->setFocus();
        return false;
    };
    // Empty is no characters at all: a blank counts as filled.
    if (Text1->text().isEmpty())
        return refuse(QStringLiteral("الرجاء إدخال الموعد"), Text1);
    if (Text2->text().isEmpty())
        return refuse(QStringLiteral("الرجاء تحديد وقت الموعد"), Text2);
    if (Text3->text().isEmpty() || Text4->text().isEmpty() || Text5->text().isEmpty()
        || Text6->text().isEmpty())
        return refuse(QStringLiteral("الرجاء تحديد تاريخ الموعد"), Text3);
    // A month before this one is refused unless its year lies ahead; the day takes no part.
    if (Dates::appointmentMonthPassed(Text5->text(), Text6->text(), Clock::today(), m_calendar))
        return refuse(QStringLiteral("الرجاء تحديد التاريخ الصحيح"), Text4);
    return true;
}

void Form5::Command1_Click()
{
    if (!checkInput())
        return;
    // An occurrence of a recurring event on the server is changed there, in its series.
    const RecordSource *records = Data1->Recordset();
    if (records->pendingState() == RecordSource::Pending::Edited && records->currentKey()
        && Sync::Engine::isOccurrence(Data1->DatabaseName(), *records->currentKey())) {
        MessageBoxes::recurringOccurrence(this);
        return;
    }
    // A write the database refuses brings this window back with everything typed.
    if (!writeEntry(this, Data1))
        return;
    Forms::Load<Form4>()->afterSave(Data1->Recordset()->savedKey()); // created hidden when the book was never opened
}

void Form5::clearBoxes()
{
    for (BoundTextBox *b : {Text1, Text2, Text3, Text4, Text5, Text6})
        b->setText(QString());
}

void Form5::Command2_Click()
{
    clearBoxes();
}

void Form5::Command3_Click()
{
    clearBoxes();
    Form4 *list = Forms::Load<Form4>();
    Unload(); // what was typed, now the emptied boxes, is dropped, never written
    list->afterCancel();
}

} // namespace dalil
