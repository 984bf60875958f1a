#include "form17.h"

#include "accessconversion.h"
#include "form11.h"

#include "common/bidi.h"
#include "common/icons.h"
#include "data/exchange/exchange.h"
#include "data/text/counts.h"
#include "data/text/dates.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace dalil {

namespace {

// Amounts, dates and other cells without Arabic letters read left to right ("-250", never
// "250-"), aligned as the Arabic ones.
class CellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter;
        if (!Bidi::hasRightToLeftLetters(option->text))
            option->direction = Qt::LeftToRight;
    }
};

// A record in a line of the table: what names it, its date, its amount, as read.
QStringList cells(const Access::Held &held)
{
    using namespace Exchange;
    const QString position = QString::number(held.position);
    if (held.book == u"Cheque")
        return {position, held.value(ChequeColumns::payee),
                Dates::partsText(held.value(ChequeColumns::day), held.value(ChequeColumns::month),
                                 held.value(ChequeColumns::year)),
                held.value(ChequeColumns::dinars), held.value(ChequeColumns::fils), held.reason};
    if (held.book == u"Note")
        return {position, held.value(NoteColumns::text),
                Dates::partsText(held.value(NoteColumns::day), held.value(NoteColumns::month),
                                 held.value(NoteColumns::year)),
                {}, {}, held.reason};
    return {position, held.value(PhoneColumns::name), {}, {}, {}, held.reason};
}

} // namespace

Form17::Form17()
    : Form(designName(), 11880, 6600)
{
    setWindowTitle(QStringLiteral("تحويل دفاتر البرنامج السابق"));
    setWindowIcon(Icons::start());

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Table1 = new QTableWidget(0, 6, this);
    Table1->setObjectName(QStringLiteral("Table1"));
    Table1->setHorizontalHeaderLabels({QStringLiteral("الموضع"), QStringLiteral("السيد أو الاسم"), QStringLiteral("التاريخ"),
                                       QStringLiteral("دينار"), QStringLiteral("فلس"), QStringLiteral("السبب")});
    Table1->verticalHeader()->hide();
    Table1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table1->setWordWrap(false);
    Table1->horizontalHeader()->setStretchLastSection(true);
    Table1->setItemDelegate(new CellDelegate(Table1));
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    Command1 = new QPushButton(QStringLiteral("متابعة التحويل دونها"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("إيقاف التحويل"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addStretch();
    buttons->addWidget(Command2);
    auto *all = new QVBoxLayout(this);
    all->setContentsMargins(16, 12, 16, 12);
    all->addWidget(Label1);
    all->addWidget(Table1, 1);
    all->addWidget(Label2);
    all->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &Form17::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form17::Command2_Click);
}

QWidget *Form17::restingFocus()
{
    return Command2;
}

void Form17::setSurvey(const QString &databasePath, const Access::Survey &survey)
{
    m_path = databasePath;
    m_survey = survey;
    QStringList books;
    QStringList files;
    for (const QString &book : Access::books()) {
        const auto count = std::count_if(survey.held.begin(), survey.held.end(), [&](const Access::Held &h) { return h.book == book; });
        if (count == 0)
            continue;
        books << QStringLiteral("%1 من %2").arg(count).arg(Form11::bookCaption(book));
        files << QChar(0x202A) + QFileInfo(Access::heldName(databasePath, book)).fileName() + QChar(0x202C);
    }
    Label1->setText(QStringLiteral("في الدفاتر القديمة ما لا يحفظه الدليل كما هو: %1 (%2)، ولم يُكتب شيء بعد:")
                        .arg(Counts::text(survey.held.size(), Counts::record()), books.join(QStringLiteral("، "))));
    Label2->setText(QStringLiteral("إن تابعت حُوّلت بقية السجلات، وحُفظت هذه كما قُرئت في %1 بجانب الدفتر. "
                                   "وإن أوقفت التحويل بقي الملف كما هو.")
                        .arg(files.join(QStringLiteral(" و"))));
    Table1->setRowCount(int(survey.held.size()));
    for (int row = 0; row < survey.held.size(); ++row) {
        const QStringList line = cells(survey.held.at(row));
        for (int column = 0; column < line.size(); ++column)
            Table1->setItem(row, column, new QTableWidgetItem(QString(line.at(column)).replace(u'\n', u' ').left(200)));
    }
    Table1->resizeColumnsToContents();
    for (int column = 0; column < Table1->columnCount(); ++column)
        Table1->setColumnWidth(column, qMin(Table1->columnWidth(column), 320));
}

void Form17::Command1_Click()
{
    const QString path = m_path;
    const Access::Survey survey = m_survey;
    QWidget *frame = window();
    Unload();
    AccessConversion::convert(frame, path, survey);
}

void Form17::Command2_Click()
{
    Unload();
    AccessConversion::stopped();
}

} // namespace dalil
