#include "form16.h"

#include "form11.h"

#include "common/bidi.h"
#include "common/icons.h"
#include "common/messagebox.h"

#include "data/exchange/exchange.h"
#include "data/sync/service.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace dalil {

namespace {

// The columns under the names the windows give them.
QString columnCaption(const QString &book, const QString &column)
{
    namespace Phone = Books::PhoneColumns;
    if (book == u"Phone") {
        if (column == Phone::office)
            return QStringLiteral("هاتف المكتب");
        if (column == Phone::mobile)
            return QStringLiteral("هاتف الجوّال");
        if (column == Phone::home)
            return QStringLiteral("هاتف المنزل");
    }
    return column;
}

// A number or an address reads left to right even in a right-to-left cell.
QString shown(const QString &text)
{
    if (text.isEmpty() || Bidi::hasRightToLeftLetters(text))
        return text;
    return Bidi::leftToRight(text);
}

} // namespace

Form16::Form16()
    : Form(designName(), 11880, 8595)
{
    setWindowTitle(QStringLiteral("تعارض في المزامنة"));
    setWindowIcon(Icons::start());

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Table1 = new QTableWidget(0, 3, this);
    Table1->setObjectName(QStringLiteral("Table1"));
    Table1->setHorizontalHeaderLabels({QStringLiteral("الحقل"), QStringLiteral("على هذا الجهاز"), QStringLiteral("على الخادم")});
    Table1->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    Table1->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    Table1->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    Table1->verticalHeader()->hide();
    Table1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table1->setSelectionMode(QAbstractItemView::NoSelection);
    Table1->setWordWrap(true);

    Command1 = new QPushButton(QStringLiteral("الإبقاء على نسخة هذا الجهاز"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("الإبقاء على نسخة الخادم"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3 = new QPushButton(QStringLiteral("لاحقاً"), this);
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

    connect(Command1, &QPushButton::clicked, this, &Form16::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form16::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form16::Command3_Click);
}

QWidget *Form16::restingFocus()
{
    return Command3;
}

void Form16::fill()
{
    m_conflicts = Sync::Service::instance()->conflicts();
    m_current = 0;
    showCurrent();
}

void Form16::showCurrent()
{
    if (m_current >= m_conflicts.size()) {
        Unload();
        return;
    }
    const Sync::Conflict &conflict = m_conflicts.at(m_current);
    Label1->setText(QStringLiteral("تعارض %1 من %2 في %3: غُيّر هذا السجل على هذا الجهاز وعلى الخادم معاً. "
                                   "الحقول المعلَّمة غُيّرت على الجانبين؛ ما غُيّر في جانب واحد أُخذ في النسختين. "
                                   "اختر النسخة التي تبقى، وتذهب الأخرى إلى المحذوفات.")
                        .arg(m_current + 1)
                        .arg(m_conflicts.size())
                        .arg(Form11::bookCaption(conflict.book)));
    const QStringList columns = Books::columns(conflict.book);
    Table1->setRowCount(0);
    Table1->setRowCount(int(columns.size()));
    for (int row = 0; row < columns.size(); ++row) {
        const QString &column = columns.at(row);
        const bool clashing = conflict.columns.contains(column);
        const QStringList cells{columnCaption(conflict.book, column), shown(conflict.local.value(column).toString()),
                                shown(conflict.server.value(column).toString())};
        for (int cell = 0; cell < cells.size(); ++cell) {
            auto *item = new QTableWidgetItem(cells.at(cell));
            if (clashing) {
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
                item->setBackground(QColor(255, 236, 179));
            }
            Table1->setItem(row, cell, item);
        }
    }
    Table1->resizeRowsToContents();
}

void Form16::choose(bool keepLocal)
{
    const DataError error = Sync::Service::instance()->resolve(m_conflicts.at(m_current), keepLocal);
    if (error.isError())
        MessageBoxes::dataError(this, error);
    ++m_current;
    showCurrent();
}

void Form16::Command1_Click()
{
    choose(true);
}

void Form16::Command2_Click()
{
    choose(false);
}

void Form16::Command3_Click()
{
    ++m_current;
    showCurrent();
}

} // namespace dalil
