#include "form13.h"

#include "form11.h"

#include "common/bidi.h"
#include "common/celldelegate.h"
#include "common/icons.h"
#include "data/text/counts.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace dalil {

namespace {

// The encodings a spreadsheet's file may be in, as Combo1 lists them.
const QList<Csv::Encoding> encodings{Csv::Encoding::Utf8, Csv::Encoding::Windows1256};

// The colour of a questioned record's cells.
const QColor questionedColour(255, 236, 200);

} // namespace

Form13::Form13()
    : Form(designName(), 11880, 6600)
{
    setWindowTitle(QStringLiteral("معاينة الاستيراد"));
    setWindowIcon(Icons::start());

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Table1 = new QTableWidget(0, 0, this);
    Table1->setObjectName(QStringLiteral("Table1"));
    Table1->verticalHeader()->hide();
    Table1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table1->setWordWrap(false);
    Table1->horizontalHeader()->setStretchLastSection(true);
    // Numbers and Latin texts read as the grid shows them.
    Table1->setItemDelegate(new CellDelegate(Table1));
    Label3 = new QLabel(QStringLiteral("ترميز الملف:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->addItem(QStringLiteral("UTF-8"));
    Combo1->addItem(QStringLiteral("Windows-1256 (عربي)"));
    Label3->setBuddy(Combo1);
    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setWordWrap(true);
    Option1 = new QRadioButton(QStringLiteral("احفظها كما هي"), this);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->setChecked(true);
    Option2 = new QRadioButton(QStringLiteral("اتركها"), this);
    Option2->setObjectName(QStringLiteral("Option2"));
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    Command1 = new QPushButton(QStringLiteral("استيراد"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("إلغاء الأمر"), this);
    Command2->setObjectName(QStringLiteral("Command2"));

    auto *encoding = new QHBoxLayout;
    encoding->addWidget(Label3);
    encoding->addWidget(Combo1);
    encoding->addStretch();
    auto *questioned = new QHBoxLayout;
    questioned->addWidget(Label4, 1);
    questioned->addWidget(Option1);
    questioned->addWidget(Option2);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addStretch();
    buttons->addWidget(Command2);
    auto *all = new QVBoxLayout(this);
    all->setContentsMargins(16, 12, 16, 12);
    all->addWidget(Label1);
    all->addWidget(Table1, 1);
    all->addLayout(encoding);
    all->addLayout(questioned);
    all->addWidget(Label2);
    all->addLayout(buttons);

    connect(Combo1, &QComboBox::activated, this, &Form13::Combo1_Click);
    connect(Option1, &QRadioButton::toggled, this, &Form13::Option_Click);
    connect(Command1, &QPushButton::clicked, this, &Form13::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form13::Command2_Click);
}

QWidget *Form13::restingFocus()
{
    return Command1;
}

void Form13::setImport(const ExchangeFiles::Request &request, const QString &path, const Exchange::Preview &preview)
{
    m_request = request;
    m_path = path;
    m_counts = preview;
    m_counts.first.clear();

    const QStringList columns = Exchange::columns(request.book);
    Table1->clear();
    Table1->setColumnCount(int(columns.size()));
    Table1->setHorizontalHeaderLabels(columns);
    Table1->setRowCount(int(preview.first.size()));
    for (int row = 0; row < preview.first.size(); ++row) {
        const QString question = preview.questions.value(row);
        for (int column = 0; column < columns.size(); ++column) {
            // One line a cell: a text's line breaks shown as the marks a grid shows.
            QString text = preview.first.at(row).value(columns.at(column)).toString();
            text.replace(u'\n', u' ');
            auto *item = new QTableWidgetItem(text.left(200));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter); // as the books' grids
            item->setToolTip(question.isEmpty() ? text.left(2000) : question);
            if (!question.isEmpty())
                item->setBackground(questionedColour);
            Table1->setItem(row, column, item);
        }
    }
    Table1->resizeColumnsToContents();
    for (int column = 0; column < Table1->columnCount(); ++column)
        Table1->setColumnWidth(column, qMin(Table1->columnWidth(column), 320));

    // Only a spreadsheet's file names its encoding.
    const bool csv = request.format == ExchangeFiles::Format::Csv;
    Label3->setVisible(csv);
    Combo1->setVisible(csv);
    {
        const QSignalBlocker quiet(Combo1);
        Combo1->setCurrentIndex(preview.encoding == Csv::encodingName(Csv::Encoding::Windows1256) ? 1 : 0);
    }
    const bool asked = preview.questioned > 0;
    Label4->setVisible(asked);
    Option1->setVisible(asked);
    Option2->setVisible(asked);
    if (asked) {
        Label4->setText(QStringLiteral("%1 (%2، ملوّنة في الجدول):")
                            .arg(preview.questionedWhy, Counts::text(preview.questioned, Counts::record())));
        const QSignalBlocker quiet(Option1);
        (request.leaveOutQuestioned ? Option2 : Option1)->setChecked(true);
    }
    Label2->setText(preview.notices.join(u'\n'));
    Label2->setVisible(!preview.notices.isEmpty());
    showSummary();
}

void Form13::showSummary()
{
    const Exchange::Preview &preview = m_counts;
    const bool leftOut = preview.questioned > 0 && m_request.leaveOutQuestioned;
    const qint64 stored = preview.records - (leftOut ? preview.questioned : 0);
    const QString file = Bidi::leftToRight(QFileInfo(m_path).fileName());
    QString summary = QStringLiteral("سيُستورد من الملف %1 إلى %2: %3.")
                          .arg(file, Form11::bookCaption(m_request.book), Counts::text(stored, Counts::record()));
    if (preview.duplicates > 0)
        summary += QStringLiteral(" ويُترك ما يطابق سجلًا محفوظًا أو يتكرر في الملف: %1.")
                       .arg(Counts::text(preview.duplicates, Counts::record()));
    if (leftOut)
        summary += QStringLiteral(" ويُترك الملوّن: %1.").arg(Counts::text(preview.questioned, Counts::record()));
    if (preview.records > Table1->rowCount())
        summary += QStringLiteral(" هذه أول %1 كما ستُحفظ.")
                       .arg(Counts::text(Table1->rowCount(), Counts::record(), Counts::Case::Oblique));
    Label1->setText(summary);
    Command1->setEnabled(stored > 0);
}

void Form13::Combo1_Click()
{
    ExchangeFiles::Request request = m_request;
    request.encoding = encodings.value(Combo1->currentIndex(), Csv::Encoding::Utf8);
    if (Csv::encodingName(request.encoding) == m_counts.encoding)
        return;
    // The file read again in the encoding chosen; one it does not read in leaves the preview as it was.
    if (!ExchangeFiles::previewImport(window(), request, m_path)) {
        const QSignalBlocker quiet(Combo1);
        Combo1->setCurrentIndex(m_counts.encoding == Csv::encodingName(Csv::Encoding::Windows1256) ? 1 : 0);
    }
}

void Form13::Option_Click()
{
    m_request.leaveOutQuestioned = Option2->isChecked();
    showSummary();
}

void Form13::Command1_Click()
{
    const ExchangeFiles::Request request = m_request;
    const QString path = m_path;
    QWidget *frame = window();
    Unload();
    ExchangeFiles::importFrom(frame, request, path);
}

void Form13::Command2_Click()
{
    Unload();
}

} // namespace dalil
