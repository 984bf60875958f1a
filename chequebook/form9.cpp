#include "form9.h"

#include "chequeprint.h"

#include "common/application.h"
#include "common/icons.h"
#include "common/messagebox.h"
#include "data/text/amountwords.h"
#include "data/text/clock.h"

#include <QComboBox>
#include <QDate>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace dalil {

namespace {

const QStringList itemColumns{QStringLiteral("من اليمين"), QStringLiteral("من الأعلى"), QStringLiteral("العرض"),
                              QStringLiteral("الارتفاع"), QStringLiteral("حجم الخط")};

QDoubleSpinBox *millimetres(const QString &name, double low, double high, QWidget *parent)
{
    auto *spin = new QDoubleSpinBox(parent);
    spin->setObjectName(name);
    spin->setLocale(QLocale::c());
    spin->setRange(low, high);
    spin->setDecimals(1);
    spin->setSingleStep(0.5);
    spin->setSuffix(QStringLiteral(" مم"));
    spin->setLayoutDirection(Qt::LeftToRight);
    spin->setKeyboardTracking(false);
    return spin;
}

// A sample cheque for the preview: today's date and a familiar amount.
ChequeTexts sampleTexts()
{
    const QDate today = Clock::today();
    ChequeTexts texts;
    texts[size_t(ChequeItem::Day)] = QString::number(today.day());
    texts[size_t(ChequeItem::Month)] = QString::number(today.month());
    texts[size_t(ChequeItem::Year)] = QString::number(today.year());
    texts[size_t(ChequeItem::Payee)] = QStringLiteral("محمد عبد الله");
    texts[size_t(ChequeItem::Words)] = amountInWords(1250, 500);
    texts[size_t(ChequeItem::Figures)] = amountInFigures(QStringLiteral("1250"), QStringLiteral("500"));
    return texts;
}

} // namespace

ChequePreview::ChequePreview(const QString &name, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(name);
    setMinimumSize(300, 150);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ChequePreview::setLayout(const ChequeLayout &layout)
{
    m_layout = layout;
    update();
}

double ChequePreview::scale() const
{
    if (m_layout.leafWidth <= 0 || m_layout.leafHeight <= 0)
        return 1;
    return qMin((width() - 20) / m_layout.leafWidth, (height() - 20) / m_layout.leafHeight);
}

void ChequePreview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), palette().window());
    const double mm = scale();
    const QSizeF leaf(m_layout.leafWidth * mm, m_layout.leafHeight * mm);
    painter.translate((width() - leaf.width()) / 2, (height() - leaf.height()) / 2);
    painter.fillRect(QRectF(QPointF(), leaf), QColor(250, 248, 235));
    // A light grid every ten millimetres from the top right corner, the boxes dashed.
    painter.setPen(QPen(QColor(215, 215, 200), 0));
    for (double x = m_layout.leafWidth; x >= 0; x -= 10)
        painter.drawLine(QPointF(x * mm, 0), QPointF(x * mm, leaf.height()));
    for (double y = 0; y <= m_layout.leafHeight; y += 10)
        painter.drawLine(QPointF(0, y * mm), QPointF(leaf.width(), y * mm));
    painter.setPen(QPen(Qt::darkGray, 1));
    painter.drawRect(QRectF(QPointF(), leaf));
    painter.setPen(QPen(QColor(0, 90, 200), 1, Qt::DashLine));
    for (int i = 0; i < chequeItemCount; ++i) {
        const QRectF box = m_layout.box(ChequeItem(i));
        painter.drawRect(QRectF(box.x() * mm, box.y() * mm, box.width() * mm, box.height() * mm));
    }
    paintCheque(painter, m_layout, sampleTexts(), mm);
}

Form9::Form9()
    : Form(designName(), 11880, 8595)
{
    setWindowTitle(QStringLiteral("إعداد الشيكات"));
    setWindowIcon(Icons::cheque());

    Label1 = new QLabel(QStringLiteral("النموذج:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setMinimumContentsLength(20);
    Label1->setBuddy(Combo1);
    Command1 = new QPushButton(QStringLiteral("نموذج جديد..."), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("حذف النموذج"), this);
    Command2->setObjectName(QStringLiteral("Command2"));

    Label2 = new QLabel(QStringLiteral("عرض الورقة:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Spin1 = millimetres(QStringLiteral("Spin1"), minLeafLength, maxLeafLength, this);
    Label3 = new QLabel(QStringLiteral("ارتفاع الورقة:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Spin2 = millimetres(QStringLiteral("Spin2"), minLeafLength, maxLeafLength, this);
    Label4 = new QLabel(QStringLiteral("إزاحة الكل يساراً:"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Spin3 = millimetres(QStringLiteral("Spin3"), -50, 50, this);
    Label5 = new QLabel(QStringLiteral("إزاحة الكل إلى الأسفل:"), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Spin4 = millimetres(QStringLiteral("Spin4"), -50, 50, this);
    for (auto [label, spin] : {std::pair{Label2, Spin1}, {Label3, Spin2}, {Label4, Spin3}, {Label5, Spin4}})
        label->setBuddy(spin);

    Table1 = new QTableWidget(chequeItemCount, int(itemColumns.size()), this);
    Table1->setObjectName(QStringLiteral("Table1"));
    Table1->setHorizontalHeaderLabels(itemColumns);
    QStringList rows;
    for (int i = 0; i < chequeItemCount; ++i)
        rows << chequeItemCaption(ChequeItem(i));
    Table1->setVerticalHeaderLabels(rows);
    Table1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    Table1->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Table1->setSelectionMode(QAbstractItemView::NoSelection);
    int spinNumber = 5;
    for (int row = 0; row < chequeItemCount; ++row) {
        for (int column = 0; column < itemColumns.size(); ++column) {
            const QString name = QStringLiteral("Spin%1").arg(spinNumber++);
            QDoubleSpinBox *spin = column == 4 ? millimetres(name, minFontSize, maxFontSize, Table1)
                                               : millimetres(name, column < 2 ? 0 : 1, maxLeafLength, Table1);
            if (column == 4) {
                spin->setSuffix(QStringLiteral(" نقطة"));
                spin->setDecimals(1);
            }
            spin->setFrame(false);
            Table1->setCellWidget(row, column, spin);
            m_itemSpins << spin;
        }
    }
    Table1->setFixedHeight(Table1->horizontalHeader()->sizeHint().height()
                           + chequeItemCount * (m_itemSpins.first()->sizeHint().height() + 2) + 4);

    Label6 = new QLabel(QStringLiteral("المعاينة (بالحجم الحقيقي عند الطباعة):"), this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Picture1 = new ChequePreview(QStringLiteral("Picture1"), this);
    Command3 = new QPushButton(QStringLiteral("طباعة المعايرة"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setToolTip(QStringLiteral("تطبع شبكة بالمليمترات ومواضع البنود على ورقة عادية لمطابقتها مع ورقة الشيك"));
    Command4 = new QPushButton(QStringLiteral("إغلاق"), this);
    Command4->setObjectName(QStringLiteral("Command4"));

    auto *top = new QHBoxLayout;
    top->addWidget(Label1);
    top->addWidget(Combo1);
    top->addWidget(Command1);
    top->addWidget(Command2);
    top->addStretch();
    auto *leaf = new QGridLayout;
    leaf->addWidget(Label2, 0, 0);
    leaf->addWidget(Spin1, 0, 1);
    leaf->addWidget(Label3, 0, 2);
    leaf->addWidget(Spin2, 0, 3);
    leaf->addWidget(Label4, 1, 0);
    leaf->addWidget(Spin3, 1, 1);
    leaf->addWidget(Label5, 1, 2);
    leaf->addWidget(Spin4, 1, 3);
    leaf->setColumnStretch(4, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command3);
    buttons->addWidget(Command4);
    auto *all = new QVBoxLayout(this);
    all->setContentsMargins(16, 12, 16, 12);
    all->addLayout(top);
    all->addLayout(leaf);
    all->addWidget(Table1);
    all->addWidget(Label6);
    all->addWidget(Picture1, 1);
    all->addLayout(buttons);

    connect(Combo1, &QComboBox::activated, this, &Form9::Combo1_Click);
    connect(Command1, &QPushButton::clicked, this, &Form9::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form9::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form9::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form9::Command4_Click);
    for (QDoubleSpinBox *spin : {Spin1, Spin2, Spin3, Spin4})
        connect(spin, &QDoubleSpinBox::valueChanged, this, &Form9::valueChanged);
    for (QDoubleSpinBox *spin : std::as_const(m_itemSpins))
        connect(spin, &QDoubleSpinBox::valueChanged, this, &Form9::valueChanged);
}

QWidget *Form9::restingFocus()
{
    return Combo1;
}

QDoubleSpinBox *Form9::itemSpin(ChequeItem item, int column) const
{
    return m_itemSpins.value(int(item) * int(itemColumns.size()) + column);
}

void Form9::Form_Load()
{
    const ChequeLayout chosen = ChequeLayouts::chosen(databasePath());
    fillNames(chosen.name);
    showLayout(chosen);
}

void Form9::fillNames(const QString &current)
{
    m_filling = true;
    Combo1->clear();
    Combo1->addItems(ChequeLayouts::names(databasePath()));
    if (Combo1->findText(current) < 0)
        Combo1->addItem(current);
    Combo1->setCurrentText(current);
    Command2->setEnabled(Combo1->count() > 1);
    m_filling = false;
}

void Form9::showLayout(const ChequeLayout &layout)
{
    m_filling = true;
    m_layout = layout;
    Spin1->setValue(layout.leafWidth);
    Spin2->setValue(layout.leafHeight);
    Spin3->setValue(layout.offsetX);
    Spin4->setValue(layout.offsetY);
    for (int i = 0; i < chequeItemCount; ++i) {
        const ChequeItemPlace &p = layout.items[size_t(i)];
        const double values[] = {p.fromRight, p.fromTop, p.width, p.height, p.fontSize};
        for (int column = 0; column < int(itemColumns.size()); ++column)
            itemSpin(ChequeItem(i), column)->setValue(values[column]);
    }
    Picture1->setLayout(layout);
    m_filling = false;
}

void Form9::valueChanged()
{
    if (m_filling)
        return;
    ChequeLayout layout = m_layout;
    layout.leafWidth = Spin1->value();
    layout.leafHeight = Spin2->value();
    layout.offsetX = Spin3->value();
    layout.offsetY = Spin4->value();
    for (int i = 0; i < chequeItemCount; ++i) {
        ChequeItemPlace &p = layout.items[size_t(i)];
        p = {itemSpin(ChequeItem(i), 0)->value(), itemSpin(ChequeItem(i), 1)->value(),
             itemSpin(ChequeItem(i), 2)->value(), itemSpin(ChequeItem(i), 3)->value(),
             itemSpin(ChequeItem(i), 4)->value()};
    }
    m_layout = layout;
    Picture1->setLayout(layout);
    keep(ChequeLayouts::save(databasePath(), layout));
}

bool Form9::keep(const DataError &error)
{
    if (!error.isError())
        return true;
    // Said once a window: the layout still serves this run's prints.
    if (!m_toldUnkept) {
        m_toldUnkept = true;
        MessageBoxes::dataError(this, error);
    }
    return false;
}

void Form9::Combo1_Click()
{
    if (m_filling)
        return;
    const QString name = Combo1->currentText();
    if (const auto layout = ChequeLayouts::load(databasePath(), name)) {
        showLayout(*layout);
        keep(ChequeLayouts::choose(databasePath(), name));
    }
}

void Form9::Command1_Click()
{
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("نموذج جديد"),
                                               QStringLiteral("اسم النموذج الجديد (يبدأ نسخةً من النموذج المعروض):"),
                                               QLineEdit::Normal, QString(), &ok)
                             .trimmed();
    if (!ok || name.isEmpty())
        return;
    if (ChequeLayouts::names(databasePath()).contains(name)) {
        MessageBoxes::inputError(this, QStringLiteral("يوجد نموذج بهذا الاسم"));
        return;
    }
    ChequeLayout layout = m_layout;
    layout.name = name;
    if (!keep(ChequeLayouts::save(databasePath(), layout)))
        return;
    fillNames(name);
    showLayout(layout);
}

void Form9::Command2_Click()
{
    if (Combo1->count() <= 1)
        return;
    const QString name = Combo1->currentText();
    const auto answer = MessageBoxes::show(this, QMessageBox::Warning, QStringLiteral("الرجاء التأكيد"),
                                           QStringLiteral("هل تريد حذف النموذج \"%1\"؟").arg(name),
                                           QMessageBox::Yes | QMessageBox::No, true);
    if (answer != QMessageBox::Yes || !keep(ChequeLayouts::remove(databasePath(), name)))
        return;
    const QStringList names = ChequeLayouts::names(databasePath());
    const QString next = names.value(0);
    keep(ChequeLayouts::choose(databasePath(), next));
    fillNames(next);
    if (const auto layout = ChequeLayouts::load(databasePath(), next))
        showLayout(*layout);
}

void Form9::Command3_Click()
{
    printCalibration(this, m_layout);
}

void Form9::Command4_Click()
{
    Unload();
}

} // namespace dalil
