#include "form2.h"

#include "form3.h"

#include "common/application.h"
#include "common/controls.h"
#include "common/datacontrol.h"
#include "common/dbgrid.h"
#include "common/focusmark.h"
#include "common/icons.h"
#include "common/messagebox.h"
#include "common/statusbar.h"
#include "common/syncstatus.h"
#include "common/textbox.h"
#include "common/twips.h"
#include "data/store/books.h"
#include "data/store/statement.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace dalil {

namespace {

// The search kind the user chose: the selected item. Tabbing into the list, or the window
// coming up with the focus there, makes an item current without choosing it.
int chosenKind(const QListWidget *list)
{
    const QList<QListWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

} // namespace

Form2::Form2()
    : ListWindow(designName(), 11880, 8595, {.afterCancel = AfterCancel::Maximized, .bookName = QStringLiteral("دليل الهاتف")})
{
    setWindowTitle(QStringLiteral("دليل الهاتف"));
    setWindowIcon(Icons::phone());

    // From right to left: add, edit, delete, back.
    Command1 = commandButton(QStringLiteral("Command1"), QStringLiteral("إضافة سجل"),
                      QStringLiteral("إضافة سجل إلى دليل الهاتف"), twipsRect(4320, 1560, 1335, 615), this);
    Command5 = commandButton(QStringLiteral("Command5"), QStringLiteral("تعديل سجل"),
                      QStringLiteral("تعديل سجل تم إدخاله في دليل الهاتف"), twipsRect(3000, 1560, 1335, 615), this);
    Command3 = commandButton(QStringLiteral("Command3"), QStringLiteral("حذف سجل"),
                      QStringLiteral("حذف السجل الموجود إلى جانب السهم"), twipsRect(1680, 1560, 1335, 615), this);
    Command4 = commandButton(QStringLiteral("Command4"), QStringLiteral("رجوع"),
                      QStringLiteral("الرجوع إلى الشاشة الرئيسية للبرنامج"), twipsRect(360, 1560, 1335, 615), this);

    Frame1 = new QGroupBox(QStringLiteral(" البحث عن سجل "), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(6840, 240, 4695, 1815));
    Label18 = new QLabel(QStringLiteral("البحث بواسطة"), Frame1);
    Label18->setObjectName(QStringLiteral("Label18"));
    Label18->setAlignment(Qt::AlignCenter);
    Label18->setGeometry(twipsRect(2760, 600, 1575, 255));
    List1 = new QListWidget(Frame1);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(twipsRect(2640, 960, 1815, 450));
    markFocus(List1, FocusMarkShape::Row);
    Text1 = new TextBox(QStringLiteral("Text1"), Frame1);
    Text1->setGeometry(twipsRect(240, 720, 2055, 285));
    Command2 = commandButton(QStringLiteral("Command2"), QStringLiteral("بحث"), QStringLiteral("البحث عن سجل"),
                      twipsRect(240, 1200, 2055, 375), Frame1);

    Data1 = new DataControl(QStringLiteral("Data1"), this);
    Data1->setCaption(QStringLiteral("Data1"));
    Data1->setGeometry(twipsRect(9720, 2880, 1740, 345));
    Data1->setVisible(false); // the window uses it only as the grid's source

    DBGrid1 = new DBGrid(QStringLiteral("DBGrid1"), this);
    DBGrid1->setGeometry(twipsRect(360, 2400, 11160, 5415));
    DBGrid1->setCaption(QStringLiteral("دليل الهاتف"));
    DBGrid1->setLongTextColumns({1, 2, 7}); // address, e-mail, notes
    DBGrid1->setDataSource(Data1);

    StatusBar1 = new StatusBar(QStringLiteral("StatusBar1"), this);
    setListControls(Data1, DBGrid1, StatusBar1, Command3, Command5);
    Label19 = new SyncStatus(QStringLiteral("Label19"), StatusBar1);

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form2::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form2::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form2::Command5_Click);
    connect(List1, &QListWidget::itemSelectionChanged, this, &Form2::List1_Click);
    // A click on the kind already chosen moves the focus to the search box all the same.
    connect(List1, &QListWidget::itemClicked, this, &Form2::List1_Click);
    connect(Text1, &TextBox::enterPressed, this, &Form2::Text1_KeyPress);
}

void Form2::Form_Load()
{
    Data1->setDatabaseName(databasePath());
    Data1->setRecordSource(QStringLiteral("Phone"));
    List1->addItem(QStringLiteral("بواسطة الإسم"));
    List1->addItem(QStringLiteral("بواسطة الرقم"));
    fitListItems(List1);
    List1->setCurrentRow(-1);
}

QWidget *Form2::restingFocus()
{
    return DBGrid1->view();
}

void Form2::showList(ListEvent event, OpenedFrom from)
{
    if (event != ListEvent::ChangedElsewhere)
        applyGridLayout(event == ListEvent::Opened ? from : OpenedFrom::StartWindow);
    writeRecordCount();
}

void Form2::applyGridLayout(OpenedFrom from)
{
    static constexpr int fromStart[] = {1720, 1400, 1800, 1100, 1100, 1100, 1100, 1600};
    static constexpr int fromMenu[] = {1720, 1300, 1800, 1000, 1000, 1000, 1000, 1500};
    layOutColumns(from == OpenedFrom::Menu ? fromMenu : fromStart, DBGrid::Alignment::Right);
    DBGrid1->Columns(4).setCaption(QStringLiteral("هاتف المكتب"));
    DBGrid1->Columns(5).setCaption(QStringLiteral("هاتف الجوّال"));
    DBGrid1->Columns(6).setCaption(QStringLiteral("هاتف المنزل"));
}

bool Form2::search(bool byNumber)
{
    beginAction();
    const QString previousText = Data1->RecordSource();
    const std::optional<Statement> previous = Data1->Recordset()->statement();
    const QString pattern = Text1->text() + u'*';
    using namespace Books::PhoneColumns;
    const Statement statement =
        byNumber ? Statement::select(Books::phone).where(home, pattern).orWhere(mobile, pattern).orWhere(office, pattern).orderBy(name)
                 : Statement::select(Books::phone).where(name, pattern).orderBy(name);
    Data1->setRecordSource(statement);
    if (refresh(Data1)) {
        noteExactSearches(Data1);
        return true;
    }
    // The database could not be read: the user was told; the list stays as it was.
    if (previous)
        Data1->setRecordSource(*previous);
    else
        Data1->setRecordSource(previousText);
    refresh(Data1);
    return false;
}

bool Form2::FindName()
{
    return search(false);
}

bool Form2::FindTel()
{
    return search(true);
}

void Form2::Command2_Click()
{
    const int kind = chosenKind(List1);
    if (kind < 0)
        MessageBoxes::searchKindMissing(this, false);

    switch (kind) {
    case 0:
        if (FindName()) {
            if (Data1->Recordset()->atEOF()) {
                setRecordButtons(false);
                MessageBoxes::notFound(this, Text1->text() + QStringLiteral(" was not found!"));
            } else {
                setRecordButtons(true);
            }
        }
        break;
    case 1:
        if (FindTel()) {
            if (Data1->Recordset()->atEOF()) {
                setRecordButtons(false);
                MessageBoxes::notFound(this, Text1->text() + QStringLiteral(" was not found"));
            } else {
                setRecordButtons(true);
            }
        }
        break;
    default:
        break;
    }
    showList(ListEvent::Searched, OpenedFrom::StartWindow);
}

void Form2::Command1_Click()
{
    BeginNewRecord<Form3>();
}

void Form2::Command5_Click()
{
    EditSelectedRecord<Form3>(this, Data1, QStringLiteral("تعديل سجل"));
}

void Form2::Command3_Click()
{
    deleteSelected();
}

void Form2::Command4_Click()
{
    goBack();
}

void Form2::List1_Click()
{
    if (chosenKind(List1) >= 0)
        Text1->setFocus();
}

void Form2::Text1_KeyPress()
{
    Command2_Click();
}

} // namespace dalil
