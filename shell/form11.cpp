#include "form11.h"

#include "common/application.h"
#include "common/icons.h"
#include "common/messagebox.h"
#include "data/store/books.h"
#include "data/text/dates.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace dalil {

namespace {

// Records a page: enough to fill any screen many times, read in a few milliseconds.
constexpr int pageSize = 200;

namespace Phone = Books::PhoneColumns;
namespace Note = Books::NoteColumns;
namespace Cheque = Books::ChequeColumns;

QString text(const DeletedRecords::Entry &entry, const QString &column)
{
    return entry.values.value(column).toString().simplified();
}

QString joined(const QStringList &parts)
{
    QStringList kept;
    for (const QString &part : parts) {
        if (!part.isEmpty())
            kept << part;
    }
    return kept.join(QStringLiteral(" - "));
}

} // namespace

Form11::Form11()
    : Form(designName(), 11880, 8595)
{
    setWindowTitle(QStringLiteral("المحذوفات"));
    setWindowIcon(Icons::start());

    Label1 = new QLabel(QStringLiteral("السجلات المحذوفة من الدفاتر، الأحدث أولاً. تُحفظ تسعين يوماً."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Table1 = new QTableWidget(0, 3, this);
    Table1->setObjectName(QStringLiteral("Table1"));
    Table1->setHorizontalHeaderLabels({QStringLiteral("الدفتر"), QStringLiteral("وقت الحذف"), QStringLiteral("السجل")});
    Table1->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    Table1->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    Table1->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    Table1->verticalHeader()->hide();
    Table1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Table1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table1->setWordWrap(false);

    Command1 = new QPushButton(QStringLiteral("استعادة المحدد"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("إفراغ القائمة"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3 = new QPushButton(QStringLiteral("إغلاق"), this);
    Command3->setObjectName(QStringLiteral("Command3"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addStretch();
    buttons->addWidget(Command3);
    auto *all = new QVBoxLayout(this);
    all->setContentsMargins(16, 12, 16, 12);
    all->addWidget(Label1);
    all->addWidget(Table1, 1);
    all->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &Form11::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form11::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form11::Command3_Click);
    connect(Table1, &QTableWidget::itemSelectionChanged, this,
            [this] { Command1->setEnabled(!Table1->selectionModel()->selectedRows().isEmpty()); });
    // The next page is read as the list is scrolled to its end, by the bar, the wheel or the keys.
    connect(Table1->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (value >= Table1->verticalScrollBar()->maximum())
            fillMore();
    });
}

QWidget *Form11::restingFocus()
{
    return Table1;
}

QString Form11::bookCaption(const QString &book)
{
    if (book == u"Phone")
        return QStringLiteral("دليل الهاتف");
    if (book == u"Note")
        return QStringLiteral("مذكرة المواعيد");
    return QStringLiteral("دفتر الشيكات");
}

QString Form11::summary(const DeletedRecords::Entry &entry)
{
    if (entry.book == Books::phone)
        return joined({text(entry, Phone::name), text(entry, Phone::mobile), text(entry, Phone::home), text(entry, Phone::office)});
    // Day/month/year: an appointment keeps its day of the month in التاريخ (اليوم is its
    // weekday), a cheque in اليوم.
    const auto together = [](QStringList parts, QChar between) {
        parts.removeAll(QString());
        return parts.join(between);
    };
    // The month and the year are the same columns in both books.
    const auto date = [&](const QString &day) {
        return Dates::partsText(text(entry, day), text(entry, Note::month), text(entry, Note::year));
    };
    if (entry.book == Books::note)
        return joined({text(entry, Note::text), together({text(entry, Note::weekday), date(Note::day)}, u' '),
                       text(entry, Note::time)});
    const QString chequeDate = date(Cheque::day);
    return joined({text(entry, Cheque::payee),
                   text(entry, Cheque::dinars) + QStringLiteral(" دينار و") + text(entry, Cheque::fils) + QStringLiteral(" فلس"), chequeDate});
}

void Form11::Form_Load()
{
    fill();
}

void Form11::catchUpWithFile()
{
    DataError error;
    const QSqlDatabase db = Database::connection(databasePath(), &error);
    if (!db.isValid() || ChangeStamp::of(db) != m_read)
        fill();
}

void Form11::fill()
{
    DataError error;
    m_read = ChangeStamp::of(Database::connection(databasePath(), &error));
    m_entries.clear();
    m_complete = false;
    Table1->setRowCount(0);
    fillMore();
    Command2->setEnabled(!m_entries.isEmpty());
}

bool Form11::fillMore()
{
    if (m_complete)
        return false;
    DataError error;
    const std::optional<DeletedRecords::Entry> last =
        m_entries.isEmpty() ? std::nullopt : std::optional(m_entries.last());
    const QList<DeletedRecords::Entry> more = DeletedRecords::page(databasePath(), last, pageSize, &error);
    if (error.isError())
        MessageBoxes::dataError(this, error);
    m_complete = more.size() < pageSize;
    addRows(more);
    if (m_entries.size() == more.size())
        Command1->setEnabled(false);
    return !more.isEmpty();
}

void Form11::addRows(const QList<DeletedRecords::Entry> &entries)
{
    const QLocale locale = arabicLocale();
    const int first = Table1->rowCount();
    Table1->setRowCount(first + int(entries.size()));
    for (int i = 0; i < entries.size(); ++i) {
        const DeletedRecords::Entry &entry = entries[i];
        // Its date as every date of the program reads, its time to the minute.
        const QDateTime at = entry.deletedAt.toLocalTime();
        const QString when = Dates::dateText(at.date()) + u' ' + locale.toString(at.time(), QStringLiteral("hh:mm"));
        const QStringList cells{bookCaption(entry.book), when, summary(entry)};
        for (int column = 0; column < cells.size(); ++column)
            Table1->setItem(first + i, column, new QTableWidgetItem(cells[column]));
    }
    m_entries << entries;
}

void Form11::Command1_Click()
{
    QList<int> rows;
    for (const QModelIndex &index : Table1->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    bool told = false;
    for (int row : rows) {
        const Records::WriteResult restored = DeletedRecords::restore(databasePath(), m_entries.at(row));
        if (!restored.ok() && !told) {
            told = true;
            MessageBoxes::dataError(this, restored.error);
        }
    }
    fill();
}

void Form11::Command2_Click()
{
    const auto answer = MessageBoxes::show(this, QMessageBox::Warning, QStringLiteral("الرجاء التأكيد"),
                                           QStringLiteral("هل تريد إفراغ قائمة المحذوفات؟ لن يمكن استعادتها بعد ذلك."),
                                           QMessageBox::Yes | QMessageBox::No, true);
    if (answer != QMessageBox::Yes)
        return;
    if (const DataError error = DeletedRecords::empty(databasePath()); error.isError())
        MessageBoxes::dataError(this, error);
    fill();
}

void Form11::Command3_Click()
{
    Unload();
}

} // namespace dalil
