#include "form3.h"

#include "form2.h"

#include "common/application.h"
#include "common/controls.h"
#include "common/datacontrol.h"
#include "common/icons.h"
#include "common/messagebox.h"
#include "common/records.h"
#include "common/textbox.h"
#include "common/twips.h"
#include "data/store/books.h"

#include <QLabel>
#include <QPushButton>

namespace dalil {

namespace {

constexpr int boxHeight = 285;
constexpr int labelHeight = 255;

} // namespace

Form3::Form3()
    : Form(designName(), 11880, 8595)
{
    setScaledWithFrame();
    setWindowTitle(addCaption());
    setWindowIcon(Icons::phone());

    Data1 = new DataControl(QStringLiteral("Data1"), this);
    Data1->setCaption(QStringLiteral("السابق          التالي"));
    Data1->setGeometry(twipsRect(4560, 360, 2580, 345));

    QFont labelFont(QStringLiteral("Tahoma"));
    labelFont.setPointSizeF(8.25);

    // Each box with its label just above it; the rows fill from the right.
    const auto entry = [&](const QString &boxName, const QString &column, const QString &labelName,
                           const QString &caption, int left, int top, int width, QLabel **label,
                           TextBox::Direction direction = TextBox::Direction::Arabic) {
        auto *box = boundTextBox(boxName, twipsRect(left, top, width, boxHeight), this, {.direction = direction},
                                 Data1, column);
        // Every label stands right-aligned over its box, the e-mail's too.
        *label = designLabel(labelName, caption, Qt::AlignRight,
                             twipsRect(left, top - labelHeight - 15, width, labelHeight), this, Qt::AlignBottom);
        (*label)->setFont(labelFont);
        return box;
    };
    namespace Phone = Books::PhoneColumns;
    Text1 = entry(QStringLiteral("Text1"), Phone::name, QStringLiteral("Label1"),
                  QStringLiteral("الإسم الكامل"), 8280, 1560, 2295, &Label1);
    Text2 = entry(QStringLiteral("Text2"), Phone::home, QStringLiteral("Label2"),
                  QStringLiteral("هاتف المنزل"), 8280, 2760, 2295, &Label2);
    Text3 = entry(QStringLiteral("Text3"), Phone::mobile, QStringLiteral("Label3"),
                  QStringLiteral("هاتف الجوّال"), 4680, 2760, 2295, &Label3);
    Text4 = entry(QStringLiteral("Text4"), Phone::office, QStringLiteral("Label4"),
                  QStringLiteral("هاتف المكتب"), 1080, 2760, 2295, &Label4);
    Text5 = entry(QStringLiteral("Text5"), Phone::fax, QStringLiteral("Label8"),
                  QStringLiteral("فاكس"), 8280, 3840, 2295, &Label8);
    Text6 = entry(QStringLiteral("Text6"), Phone::email, QStringLiteral("Label6"),
                  QStringLiteral("البريد الإلكتروني"), 3840, 3840, 3135, &Label6, TextBox::Direction::LeftToRight);
    Text7 = entry(QStringLiteral("Text7"), Phone::address, QStringLiteral("Label5"),
                  QStringLiteral("العنوان"), 8280, 4920, 2295, &Label5);
    // Other notes are kept in the entry's eighth column, and shown again next time.
    Text8 = entry(QStringLiteral("Text8"), Phone::notes, QStringLiteral("Label7"),
                  QStringLiteral("ملاحظات أخرى"), 3840, 4920, 3135, &Label7);

    Command1 = commandButton(QStringLiteral("Command1"), QStringLiteral("حفظ السجل"), {},
                             twipsRect(6480, 6480, 1575, 615), this);
    Command2 = commandButton(QStringLiteral("Command2"), QStringLiteral("مسح الحقول"), {},
                             twipsRect(4680, 6480, 1575, 615), this);
    Command3 = commandButton(QStringLiteral("Command3"), QStringLiteral("إلغاء الأمر"), {},
                             twipsRect(2880, 6480, 1575, 615), this);

    // Tab order: the eight boxes, then save, cancel, clear.
    QWidget *order[] = {Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8, Command1, Command3, Command2};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form3::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form3::Command3_Click);
    saveWithEnter({Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8}, Command1);
    cancelWithEscape(this, Command3);
}

void Form3::Form_Load()
{
    Data1->setDatabaseName(databasePath());
    Data1->setRecordSource(QStringLiteral("Phone"));
}

QWidget *Form3::restingFocus()
{
    return Text1;
}

QList<BoundTextBox *> Form3::boxes() const
{
    return {Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8};
}

void Form3::Command1_Click()
{
    if (Text1->text().isEmpty()) {
        MessageBoxes::inputError(this, QStringLiteral("الرجاء إدخال الإسم"));
        Text1->setFocus();
        return;
    }
    if (Text2->text().isEmpty() && Text3->text().isEmpty() && Text4->text().isEmpty()) {
        MessageBoxes::inputError(this, QStringLiteral("الرجاء إدخال رقم الهاتف"));
        Text2->setFocus();
        return;
    }
    if (!writeEntry(this, Data1))
        return;
    Forms::Load<Form2>()->afterSave(Data1->Recordset()->savedKey());
}

void Form3::Command2_Click()
{
    for (BoundTextBox *box : boxes())
        box->setText(QString());
}

void Form3::Command3_Click()
{
    for (BoundTextBox *box : boxes())
        box->setText(QString());
    Form2 *list = Forms::Load<Form2>();
    // The emptied boxes are dropped with the window, never stored.
    Unload();
    list->afterCancel();
}

} // namespace dalil
