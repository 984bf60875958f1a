#include "form13.h"

#include "form11.h"

#include "common/icons.h"
#include "data/counts.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace dalil {

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
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    Command1 = new QPushButton(QStringLiteral("استيراد"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("إلغاء الأمر"), this);
    Command2->setObjectName(QStringLiteral("Command2"));

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
    const QString file = QChar(0x2066) + QFileInfo(path).fileName() + QChar(0x2069);
    QString summary = QStringLiteral("سيُستورد من الملف %1 إلى %2: %3.")
                          .arg(file, Form11::bookCaption(request.book), Counts::text(preview.records, Counts::record()));
    if (preview.duplicates > 0)
        summary += QStringLiteral(" ويُترك ما يطابق سجلًا محفوظًا أو يتكرر في الملف: %1.")
                       .arg(Counts::text(preview.duplicates, Counts::record()));
    if (preview.records > preview.first.size())
        summary += QStringLiteral(" هذه أول %1 كما ستُحفظ.")
                       .arg(Counts::text(preview.first.size(), Counts::record(), Counts::Case::Oblique));
    Label1->setText(summary);

    const QStringList columns = Exchange::columns(request.book);
    Table1->clear();
    Table1->setColumnCount(int(columns.size()));
    Table1->setHorizontalHeaderLabels(columns);
    Table1->setRowCount(int(preview.first.size()));
    for (int row = 0; row < preview.first.size(); ++row) {
        for (int column = 0; column < columns.size(); ++column) {
            // One line a cell: a text's line breaks shown as the marks a grid shows.
            QString text = preview.first.at(row).value(columns.at(column)).toString();
            text.replace(u'\n', u' ');
            auto *item = new QTableWidgetItem(text.left(200));
            item->setToolTip(text.left(2000));
            Table1->setItem(row, column, item);
        }
    }
    Table1->resizeColumnsToContents();
    for (int column = 0; column < Table1->columnCount(); ++column)
        Table1->setColumnWidth(column, qMin(Table1->columnWidth(column), 320));

    Label2->setText(preview.notices.join(u'\n'));
    Label2->setVisible(!preview.notices.isEmpty());
    Command1->setEnabled(preview.records > 0);
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
