#include "form12.h"

#include "form11.h"

#include "common/arabiccalendar.h"
#include "common/icons.h"
#include "common/listwindow.h"
#include "common/twips.h"
#include "data/records/recordsource.h"
#include "data/text/clock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace dalil {

namespace {

const QStringList books{QStringLiteral("Phone"), QStringLiteral("Note"), QStringLiteral("Cheque")};

QLabel *label(const QString &name, const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

QDateEdit *datePicker(const QString &name, QWidget *parent)
{
    auto *picker = new QDateEdit(parent);
    picker->setObjectName(name);
    picker->setCalendarPopup(true);
    picker->setCalendarWidget(new ArabicCalendar(picker));
    picker->setDisplayFormat(QStringLiteral("d/M/yyyy"));
    return picker;
}

} // namespace

Form12::Form12()
    : Form(designName(), 7200, 4200)
{
    setWindowIcon(Icons::start());

    Label1 = label(QStringLiteral("Label1"), QStringLiteral("الدفتر:"), this);
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    for (const QString &book : books)
        Combo1->addItem(Form11::bookCaption(book), book);
    Label1->setBuddy(Combo1);
    Label2 = label(QStringLiteral("Label2"), QStringLiteral("الصيغة:"), this);
    Combo2 = new QComboBox(this);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    Label2->setBuddy(Combo2);
    Check1 = new QCheckBox(QStringLiteral("ما تعرضه قائمة الدفتر فقط (البحث الحالي)"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check2 = new QCheckBox(QStringLiteral("علامة ترتيب البايتات، ليقرأ برنامج الجداول العربية سليمة"), this);
    Check2->setObjectName(QStringLiteral("Check2"));
    Check2->setChecked(true);
    Label3 = label(QStringLiteral("Label3"), QStringLiteral("المواعيد المتكررة من:"), this);
    DTPicker1 = datePicker(QStringLiteral("DTPicker1"), this);
    Label4 = label(QStringLiteral("Label4"), QStringLiteral("إلى:"), this);
    DTPicker2 = datePicker(QStringLiteral("DTPicker2"), this);
    Command1 = new QPushButton(QStringLiteral("متابعة..."), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("إلغاء الأمر"), this);
    Command2->setObjectName(QStringLiteral("Command2"));

    auto *grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Combo1, 0, 1, 1, 3);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Combo2, 1, 1, 1, 3);
    grid->addWidget(Check1, 2, 0, 1, 4);
    grid->addWidget(Check2, 3, 0, 1, 4);
    grid->addWidget(Label3, 4, 0);
    grid->addWidget(DTPicker1, 4, 1);
    grid->addWidget(Label4, 4, 2);
    grid->addWidget(DTPicker2, 4, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addStretch();
    buttons->addWidget(Command2);
    // A small window of its own in the middle of the frame, its controls at their natural
    // width, however large the frame is.
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    Frame1->setMinimumSize(twipsSize(7200, 4200));
    Frame1->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    auto *all = new QVBoxLayout(Frame1);
    all->setContentsMargins(16, 12, 16, 12);
    all->addLayout(grid);
    all->addStretch();
    all->addLayout(buttons);
    auto *centred = new QGridLayout(this);
    centred->addWidget(Frame1, 1, 1);
    centred->setRowStretch(0, 1);
    centred->setRowStretch(2, 1);
    centred->setColumnStretch(0, 1);
    centred->setColumnStretch(2, 1);

    connect(Combo1, &QComboBox::currentIndexChanged, this, &Form12::Combo1_Click);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &Form12::Combo2_Click);
    connect(Command1, &QPushButton::clicked, this, &Form12::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form12::Command2_Click);
    setImporting(false);
}

QWidget *Form12::restingFocus()
{
    return Combo1;
}

void Form12::setImporting(bool importing)
{
    m_importing = importing;
    setWindowTitle(importing ? QStringLiteral("استيراد") : QStringLiteral("تصدير"));
    // Recurring appointments are imported for the next twelve months unless the user says.
    const QDate today = Clock::today();
    DTPicker1->setDate(today);
    DTPicker2->setDate(today.addMonths(12));
    Combo1_Click();
}

void Form12::Combo1_Click()
{
    const QString book = Combo1->currentData().toString();
    const QSignalBlocker quiet(Combo2);
    Combo2->clear();
    for (ExchangeFiles::Format format : ExchangeFiles::formats(book, m_importing))
        Combo2->addItem(ExchangeFiles::caption(format, m_importing), int(format));
    // Only a list open with a search in force shows less than the whole book.
    const ListWindow *list = ExchangeFiles::bookList(book);
    const bool searched = list && list->records()->statement().has_value();
    Check1->setEnabled(searched);
    if (!searched)
        Check1->setChecked(false);
    Combo2_Click();
}

void Form12::Combo2_Click()
{
    const auto format = ExchangeFiles::Format(Combo2->currentData().toInt());
    const bool chosen = Combo2->count() > 0;
    Check1->setVisible(!m_importing);
    Check2->setVisible(!m_importing && chosen && format == ExchangeFiles::Format::Csv);
    const bool range = m_importing && chosen && format == ExchangeFiles::Format::ICalendar;
    for (QWidget *w : std::initializer_list<QWidget *>{Label3, DTPicker1, Label4, DTPicker2})
        w->setVisible(range);
    Command1->setEnabled(chosen);
}

ExchangeFiles::Request Form12::request() const
{
    ExchangeFiles::Request request;
    request.book = Combo1->currentData().toString();
    request.format = ExchangeFiles::Format(Combo2->currentData().toInt());
    request.shownOnly = !m_importing && Check1->isEnabled() && Check1->isChecked();
    request.byteOrderMark = Check2->isChecked();
    request.from = DTPicker1->date();
    request.to = DTPicker2->date();
    return request;
}

void Form12::Command1_Click()
{
    if (Combo2->count() == 0)
        return;
    const ExchangeFiles::Request asked = request();
    const bool importing = m_importing;
    QWidget *frame = window(); // the windows that follow belong to the frame: this one goes
    Unload();
    if (importing)
        ExchangeFiles::chooseImport(frame, asked);
    else
        ExchangeFiles::exportBook(frame, asked);
}

void Form12::Command2_Click()
{
    Unload();
}

} // namespace dalil
