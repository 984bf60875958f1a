#include "form7.h"

#include "chequeprint.h"
#include "form6.h"

#include "common/application.h"
#include "common/controls.h"
#include "common/datacontrol.h"
#include "common/icons.h"
#include "common/messagebox.h"
#include "common/records.h"
#include "common/textbox.h"
#include "common/twips.h"
#include "data/text/chequedraft.h"
#include "data/store/books.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace dalil {

namespace {

// A drawn line is 15 twips thick: one pixel at 96 DPI.
constexpr int lineThickness = 15;

// A caption read from the right. The labels were sized for a smaller face than the default
// one: one too small for its words grows to the left (they read from the right) and down,
// rather than cut them.
QLabel *label(const QString &name, const QString &caption, const QRect &geometry, QWidget *parent)
{
    QLabel *l = designLabel(name, caption, Qt::AlignRight, geometry, parent);
    const QSize needed = l->sizeHint();
    QRect fitted = geometry;
    if (needed.width() > fitted.width())
        fitted.setLeft(fitted.right() - needed.width() + 1);
    fitted.setHeight(qMax(fitted.height(), needed.height()));
    l->setGeometry(fitted);
    return l;
}

QFrame *horizontalLine(const QString &name, int fromX, int toX, int y, QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);
    line->setGeometry(twipsToPixels(fromX), twipsToPixels(y),
                      twipsToPixels(toX) - twipsToPixels(fromX) + twipsToPixels(lineThickness),
                      twipsToPixels(lineThickness));
    return line;
}

QFrame *verticalLine(const QString &name, int x, int fromY, int toY, QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);
    line->setGeometry(twipsToPixels(x), twipsToPixels(fromY), twipsToPixels(lineThickness),
                      twipsToPixels(toY) - twipsToPixels(fromY) + twipsToPixels(lineThickness));
    return line;
}

} // namespace

Form7::Form7()
    : Form(designName(), 11880, 8595)
{
    setScaledWithFrame();
    setWindowTitle(addCaption());
    setWindowIcon(Icons::cheque());

    Data1 = new DataControl(QStringLiteral("Data1"), this);
    Data1->setCaption(QStringLiteral("السابق           التالي"));
    Data1->setGeometry(twipsRect(6720, 360, 2580, 315));

    // The date at the top right: day, month, year from right to left.
    Label4 = label(QStringLiteral("Label4"), QStringLiteral("التاريخ"), twipsRect(8760, 2040, 495, 195), this);
    Text1 = boundTextBox(QStringLiteral("Text1"), twipsRect(8160, 2040, 375, 285), this,
                         {.alignment = Qt::AlignHCenter, .maxLength = 2});
    Text3 = boundTextBox(QStringLiteral("Text3"), twipsRect(7680, 2040, 375, 285), this,
                         {.alignment = Qt::AlignHCenter, .maxLength = 2});
    Text2 = boundTextBox(QStringLiteral("Text2"), twipsRect(6960, 2040, 615, 285), this,
                         {.alignment = Qt::AlignHCenter, .maxLength = 4});

    // The amount box at the top left: dinars in the left compartment, fils in the right.
    Line2 = horizontalLine(QStringLiteral("Line2"), 1440, 3720, 1800, this);
    Line4 = horizontalLine(QStringLiteral("Line4"), 1440, 3720, 3000, this);
    Line3 = verticalLine(QStringLiteral("Line3"), 1440, 1800, 3000, this);
    Line5 = verticalLine(QStringLiteral("Line5"), 3720, 1800, 3000, this);
    Line1 = verticalLine(QStringLiteral("Line1"), 2640, 1800, 3000, this);
    Label5 = label(QStringLiteral("Label5"), QStringLiteral("دينار"), twipsRect(1800, 2040, 345, 195), this);
    Label6 = label(QStringLiteral("Label6"), QStringLiteral("فلس"), twipsRect(3000, 2040, 285, 195), this);
    Text8 = boundTextBox(QStringLiteral("Text8"), twipsRect(1680, 2520, 735, 285), this,
                         {.alignment = Qt::AlignHCenter});
    Text7 = boundTextBox(QStringLiteral("Text7"), twipsRect(2880, 2520, 615, 285), this,
                         {.alignment = Qt::AlignHCenter});

    // Payee, amount in words and reason, each after its printed wording.
    Label1 = label(QStringLiteral("Label1"), QStringLiteral("لأمر السيد"), twipsRect(8640, 3240, 675, 195), this);
    Text4 = boundTextBox(QStringLiteral("Text4"), twipsRect(5280, 3240, 3015, 285), this,
                         {.alignment = Qt::AlignRight});
    Label2 = label(QStringLiteral("Label2"), QStringLiteral("مبلغاً و قدره"), twipsRect(8520, 4080, 855, 195), this);
    Text5 = boundTextBox(QStringLiteral("Text5"), twipsRect(5280, 4080, 3015, 285), this,
                         {.alignment = Qt::AlignRight});
    // The amount in words runs long: its box holds two lines, in the room above the reason.
    Text5->resize(Text5->width(), qMax(Text5->height(), 2 * Text5->fontMetrics().height() + 8));
    Text5->setWrappedWhenIdle(true);
    Label3 = label(QStringLiteral("Label3"), QStringLiteral("و ذلك بسبب"), twipsRect(8520, 4920, 825, 195), this);
    Text6 = boundTextBox(QStringLiteral("Text6"), twipsRect(5280, 4920, 3015, 285), this,
                         {.alignment = Qt::AlignRight});

    Command1 = commandButton(QStringLiteral("Command1"), QStringLiteral("إضافة"), {}, twipsRect(6960, 6480, 1335, 615), this);
    Command2 = commandButton(QStringLiteral("Command2"), QStringLiteral("مسح الحقول"), {},
                             twipsRect(5400, 6480, 1335, 615), this);
    Command3 = commandButton(QStringLiteral("Command3"), QStringLiteral("إلغاء الأمر"), {},
                             twipsRect(3840, 6480, 1335, 615), this);
    // Beside the design's three buttons, in their row.
    Command4 = commandButton(QStringLiteral("Command4"), QStringLiteral("طباعة الشيك"),
                             QStringLiteral("يطبع الشيك على ورقة البنك حسب نموذج الشيكات المختار"),
                             twipsRect(2280, 6480, 1335, 615), this);

    // As a cheque is read and written by hand: the date, the payee, the amount in words and
    // the reason from the top down, then the figures (dinars, then fils), then the buttons.
    // A payee typed after the date lands in the payee box.
    const QList<QWidget *> tabOrder{Text1, Text3, Text2, Text4, Text5, Text6, Text8, Text7,
                                    Command1, Command2, Command3, Command4};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    namespace Cheque = Books::ChequeColumns;
    const QList<std::pair<BoundTextBox *, QString>> fields{
        {Text1, Cheque::day},   {Text2, Cheque::year},  {Text3, Cheque::month}, {Text4, Cheque::payee},
        {Text5, Cheque::words}, {Text6, Cheque::reason}, {Text7, Cheque::fils},  {Text8, Cheque::dinars}};
    for (const auto &[field, column] : fields) {
        field->setDataSource(Data1);
        field->setDataField(column);
    }

    connect(Command1, &QPushButton::clicked, this, &Form7::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form7::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form7::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form7::Command4_Click);
    connect(Text6, &TextBox::enterPressed, this, &Form7::Text6_KeyPress);
    // Enter in the other boxes saves too, as the button does; Esc cancels, as its button does.
    saveWithEnter({Text1, Text3, Text2, Text8, Text7, Text4, Text5}, Command1);
    cancelWithEscape(this, Command3);

    for (BoundTextBox *number : {Text1, Text3, Text2})
        acceptArabicDigits(number);
    for (BoundTextBox *amount : {Text8, Text7})
        acceptDigitsOnly(amount);
    // Only the user's own typing in the figures rewrites the words, never a record shown.
    connect(Text8, &QLineEdit::textEdited, this, &Form7::Amount_Change);
    connect(Text7, &QLineEdit::textEdited, this, &Form7::Amount_Change);
    connect(Data1->source(), &RecordSource::currentChanged, this, &Form7::rememberShownWords);
    rememberShownWords();
    // The phrase is often longer than its box: its tip shows whatever the box holds, whole.
    connect(Text5, &QLineEdit::textChanged, Text5, &QWidget::setToolTip);
}

QWidget *Form7::restingFocus()
{
    return Text1;
}

void Form7::Form_Load()
{
    Data1->setDatabaseName(databasePath());
    Data1->setRecordSource(QStringLiteral("Cheque"));
}

ChequeDraft::Typed Form7::typed() const
{
    return {Text1->text(), Text3->text(), Text2->text(), Text4->text(),
            Text5->text(), Text6->text(), Text8->text(), Text7->text()};
}

bool Form7::entryIsComplete()
{
    const std::optional<ChequeDraft::Problem> problem = ChequeDraft::problem(typed());
    if (!problem)
        return true;
    MessageBoxes::inputError(this, problem->message);
    if (problem->focus) {
        BoundTextBox *const boxes[] = {Text1, Text4, Text8, Text7, Text5};
        boxes[int(*problem->focus)]->setFocus();
    }
    return false;
}

void Form7::Command1_Click()
{
    if (!entryIsComplete() || wordsRefused())
        return;
    // A write the database refuses brings the window back with everything typed.
    if (!writeEntry(this, Data1))
        return;
    Forms::Load<Form6>()->afterSave(Data1->Recordset()->savedKey());
}

void Form7::Amount_Change()
{
    const QString words = m_draft.figuresEdited(Text8->text(), Text7->text(), Text5->text());
    if (words != Text5->text())
        Text5->setText(words);
}

void Form7::rememberShownWords()
{
    m_draft.shown(Text8->text(), Text7->text(), Text5->text());
}

bool Form7::wordsRefused()
{
    if (!ChequeDraft::wordsContradictFigures(typed()))
        return false;
    const auto answer = MessageBoxes::show(this, QMessageBox::Warning, QStringLiteral("الرجاء التأكيد"),
                                           ChequeDraft::mismatchQuestion(), QMessageBox::Yes | QMessageBox::No, true,
                                           QMessageBox::No);
    if (answer == QMessageBox::Yes)
        return false;
    Text5->setFocus();
    return true;
}

void Form7::clearFields()
{
    for (BoundTextBox *field : {Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8})
        field->setText(QString());
}

void Form7::Command2_Click()
{
    clearFields();
}

void Form7::Command3_Click()
{
    clearFields();
    Form6 *list = Forms::Load<Form6>();
    // The emptied boxes are dropped with the window, never stored.
    Unload();
    list->afterCancel();
}

void Form7::Command4_Click()
{
    // A cheque is printed only as it would be saved: the same checks, the same messages.
    if (!entryIsComplete() || wordsRefused())
        return;
    ChequeTexts texts;
    texts[size_t(ChequeItem::Day)] = Text1->text();
    texts[size_t(ChequeItem::Month)] = Text3->text();
    texts[size_t(ChequeItem::Year)] = Text2->text();
    texts[size_t(ChequeItem::Payee)] = Text4->text();
    texts[size_t(ChequeItem::Words)] = Text5->text();
    texts[size_t(ChequeItem::Figures)] = amountInFigures(Text8->text(), Text7->text());
    printCheque(this, ChequeLayouts::chosen(databasePath()), texts);
}

void Form7::Text6_KeyPress()
{
    Command1_Click();
}

} // namespace dalil
