#include "form6.h"

#include "chequeprint.h"
#include "form7.h"

#include "common/application.h"
#include "common/controls.h"
#include "common/dbgrid.h"
#include "common/focusmark.h"
#include "common/fittext.h"
#include "common/icons.h"
#include "common/report.h"
#include "common/statusbar.h"
#include "common/textbox.h"
#include "common/twips.h"
#include "data/store/statement.h"
#include "data/store/books.h"

#include <QCollator>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <map>
#include <memory>

namespace dalil {

namespace {

const QString &payeeColumn = Books::ChequeColumns::payee;
const QString dinarSum = QStringLiteral("Sum من دينار");
const QString filsSum = QStringLiteral("Sum من فلس");

// A sum as the bar shows it: a book with nothing to add up sums to 0, not to a blank.
QString sumText(const BoundLabel *label)
{
    const QString caption = label->Caption();
    return caption.isEmpty() ? QStringLiteral("0") : caption;
}

BoundLabel *sumLabel(const QString &name, const QString &placeholder, QWidget *parent)
{
    auto *l = new BoundLabel(name, placeholder, parent);
    l->hide();
    return l;
}

} // namespace

Form6::Form6()
    : ListWindow(designName(), 11880, 8595,
                 {.deleteReadsAgainWithoutRecord = true,
                  .lastDeleteDisablesButtonsFirst = true,
                  .bookName = QStringLiteral("دفتر الشيكات")})
{
    setWindowTitle(QStringLiteral("دفتر الشيكات"));
    setWindowIcon(Icons::cheque());

    Data1 = new DataControl(QStringLiteral("Data1"), this);
    Data2 = new DataControl(QStringLiteral("Data2"), this);
    Data3 = new DataControl(QStringLiteral("Data3"), this);
    for (DataControl *data : {Data1, Data2, Data3})
        data->setVisible(false);

    Frame1 = new QGroupBox(QStringLiteral("البحث"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(6240, 120, 5295, 2415));

    List1 = new QListWidget(Frame1);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(twipsRect(3360, 720, 1695, 645));
    markFocus(List1, FocusMarkShape::Row);

    Label1 = designLabel(QStringLiteral("Label1"), QString(), Qt::AlignHCenter, twipsRect(480, 480, 2175, 255),
                         Frame1);
    Label7 = designLabel(QStringLiteral("Label7"), QStringLiteral("  اليوم        الشهر             العام"),
                         Qt::AlignRight, twipsRect(480, 840, 2175, 240), Frame1);
    Label8 = designLabel(QStringLiteral("Label8"), QStringLiteral("اسم الشخص"), Qt::AlignHCenter,
                         twipsRect(480, 840, 2175, 240), Frame1);
    shrinkToFit(Label7, Label7->text());
    Label7->hide();
    Label8->hide();

    // The day box stands rightmost and the year box leftmost, under the words of Label7.
    Text2 = new TextBox(QStringLiteral("Text2"), Frame1);
    Text2->setMaxLength(2);
    Text2->setGeometry(twipsRect(2160, 1080, 495, 285));
    Text3 = new TextBox(QStringLiteral("Text3"), Frame1);
    Text3->setMaxLength(2);
    Text3->setGeometry(twipsRect(1440, 1080, 495, 285));
    Text4 = new TextBox(QStringLiteral("Text4"), Frame1);
    Text4->setMaxLength(4);
    Text4->setGeometry(twipsRect(480, 1080, 615, 285));
    Text1 = new TextBox(QStringLiteral("Text1"), Frame1);
    Text1->setTextAlignment(Qt::AlignRight);
    Text1->setGeometry(twipsRect(480, 1080, 2175, 285));
    for (TextBox *box : {Text1, Text2, Text3, Text4})
        box->hide();
    for (TextBox *number : {Text2, Text3, Text4})
        acceptArabicDigits(number);

    Command2 = commandButton(QStringLiteral("Command2"), QStringLiteral("بحث"), {}, twipsRect(480, 1680, 2175, 375), Frame1);

    Command1 = commandButton(QStringLiteral("Command1"), QStringLiteral("كتابة شيك"), {}, twipsRect(4200, 1680, 1335, 615), this);
    Command5 = commandButton(QStringLiteral("Command5"), QStringLiteral("تعديل شيك"), {}, twipsRect(2880, 1680, 1335, 615), this);
    Command3 = commandButton(QStringLiteral("Command3"), QStringLiteral("حذف سجل"), {}, twipsRect(1560, 1680, 1335, 615), this);
    Command4 = commandButton(QStringLiteral("Command4"), QStringLiteral("رجوع"), {}, twipsRect(240, 1680, 1335, 615), this);

    DBGrid1 = new DBGrid(QStringLiteral("DBGrid1"), this);
    DBGrid1->setGeometry(twipsRect(240, 2760, 11295, 5055));
    DBGrid1->setLongTextColumns({6, 7}); // the amount in words, the reason
    DBGrid1->setDataSource(Data1);
    DBGrid1->setCaption(QStringLiteral("دفتر الشيكات"));
    DBGrid1->setRecordSelectors(true);

    StatusBar1 = new StatusBar(QStringLiteral("StatusBar1"), this);
    setListControls(Data1, DBGrid1, StatusBar1, Command3, Command5);

    // Never shown: the status bar reads the sums from their captions.
    Label4 = sumLabel(QStringLiteral("Label4"), QStringLiteral("name"), this);
    Label2 = sumLabel(QStringLiteral("Label2"), QStringLiteral("dinar"), this);
    Label3 = sumLabel(QStringLiteral("Label3"), QStringLiteral("fels"), this);
    Label5 = sumLabel(QStringLiteral("Label5"), QStringLiteral("dinar"), this);
    Label6 = sumLabel(QStringLiteral("Label6"), QStringLiteral("fels"), this);

    // A kind chosen by mouse or keys; a click on the kind already chosen also puts the
    // focus back in its boxes.
    connect(List1, &QListWidget::itemSelectionChanged, this, &Form6::List1_Click);
    connect(List1, &QListWidget::itemClicked, this, &Form6::List1_Click);
    connect(Text1, &TextBox::enterPressed, this, &Form6::Text1_KeyPress);
    // Enter in a date box searches, as in the name box.
    for (TextBox *date : {Text2, Text3, Text4})
        connect(date, &TextBox::enterPressed, this, &Form6::Text1_KeyPress);
    connect(Command1, &QPushButton::clicked, this, &Form6::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form6::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form6::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form6::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form6::Command5_Click);
}

void Form6::Form_Load()
{
    List1->addItem(QStringLiteral("البحث حسب التاريخ"));
    List1->addItem(QStringLiteral("البحث حسب الإسم"));
    fitListItems(List1);

    Data2->setDatabaseName(databasePath());
    Data2->setRecordSource(Books::chequeTotals);
    Label2->setDataSource(Data2);
    Label2->setDataField(dinarSum);
    Label3->setDataSource(Data2);
    Label3->setDataField(filsSum);
    Label4->setDataSource(Data2);
    Label4->setDataField(payeeColumn);

    Data1->setDatabaseName(databasePath());
    Data1->setRecordSource(QStringLiteral("Cheque"));

    Data3->setDatabaseName(databasePath());
    Data3->setRecordSource(QStringLiteral("TotalTotal"));
    Label5->setDataSource(Data3);
    Label5->setDataField(dinarSum);
    Label6->setDataSource(Data3);
    Label6->setDataField(filsSum);
}

QWidget *Form6::restingFocus()
{
    return DBGrid1->view();
}

void Form6::showList(ListEvent event, OpenedFrom from)
{
    switch (event) {
    case ListEvent::Opened:
        // From here on the steps only fill in the bar and the grid.
        writeRecordCount();
        while (StatusBar1->panelCount() < 3)
            StatusBar1->addPanel();
        StatusBar1->panel(2)->setWidth(5000);
        StatusBar1->panel(3)->setWidth(8000);
        refresh(Data3); // the sums as they stand now, not as they stood when the window loaded
        showGrandTotal();
        StatusBar1->panel(3)->setAlignment(from == OpenedFrom::Menu ? StatusPanel::Alignment::Right
                                                                     : StatusPanel::Alignment::Center);
        layOutColumns(from == OpenedFrom::Menu ? layoutB : layoutA, DBGrid::Alignment::Right);
        break;
    case ListEvent::Searched:
        layOutColumns(layoutA, DBGrid::Alignment::Right);
        writeRecordCount();
        break;
    case ListEvent::Deleted:
        layOutColumns(layoutA, DBGrid::Alignment::Right);
        writeRecordCount();
        // The sums shown must not outlive the cheque they counted.
        readTotals();
        showGrandTotal();
        break;
    case ListEvent::Saved:
    case ListEvent::Cancelled:
        layOutColumns(layoutA, DBGrid::Alignment::Center);
        // From here on a missing panel (the list never opened) is skipped.
        writeRecordCount();
        if (StatusPanel *payee = StatusBar1->panel(2))
            payee->setWidth(5000);
        readTotals();
        if (StatusPanel *total = StatusBar1->panel(3)) {
            total->setWidth(event == ListEvent::Saved ? 8000 : 5000);
            showGrandTotal();
            total->setAlignment(StatusPanel::Alignment::Center);
        }
        break;
    case ListEvent::ChangedElsewhere:
        writeRecordCount();
        readTotals();
        showGrandTotal();
        break;
    }
}

bool Form6::FindDate()
{
    // The typed texts travel as values: a quote in a box is searched for like any letter.
    using namespace Books::ChequeColumns;
    Data1->setRecordSource(Statement::select(Books::cheque)
                               .where(day, Text2->text() + u'*')
                               .andWhere(month, Text3->text() + u'*')
                               .andWhere(year, Text4->text() + u'*')
                               .orderBy(payee));
    const bool listed = Data1->Refresh();
    if (listed)
        noteExactSearches(Data1);
    return listed;
}

bool Form6::FindName()
{
    using Books::ChequeColumns::payee;
    const QString pattern = Text1->text() + u'*';
    Data1->setRecordSource(Statement::select(Books::cheque).where(payee, pattern).orderBy(payee));
    const bool listed = Data1->Refresh();

    Data2->setRecordSource(Statement::select(Books::chequeTotals).where(payee, pattern).orderBy(payee));
    const bool summed = Data2->Refresh();
    if (listed && summed)
        noteExactSearches(Data1);
    return listed && summed;
}

void Form6::readTotals()
{
    refresh(Data2);
    refresh(Data3);
    StatusPanel *payee = StatusBar1->panel(2);
    if (payee && m_payeeShown)
        payee->setText(Data2->Recordset()->atEOF() ? QString() : payeeTotalText());
}

void Form6::showGrandTotal()
{
    if (StatusPanel *total = StatusBar1->panel(3)) {
        total->setText(QStringLiteral("مجموع المبالغ المسجلة: ") + sumText(Label5) + QStringLiteral(" دينار و ")
                       + sumText(Label6) + QStringLiteral(" فلس"));
    }
}

QString Form6::payeeTotalText() const
{
    return QStringLiteral("مجموع المبالغ للسيد ") + Label4->Caption() + QStringLiteral(": ") + sumText(Label2)
           + QStringLiteral(" دينار و ") + sumText(Label3) + QStringLiteral(" فلس");
}

int Form6::searchKind() const
{
    const QList<QListWidgetItem *> selected = List1->selectedItems();
    return selected.isEmpty() ? -1 : List1->row(selected.first());
}

void Form6::List1_Click()
{
    // The boxes keep what was typed in them when the kind changes.
    switch (searchKind()) {
    case 0:
        Text2->show();
        Text3->show();
        Text4->show();
        Label1->setText(QStringLiteral("البحث حسب التاريخ"));
        Text1->hide();
        Text2->setFocus();
        Label7->show();
        Label8->hide();
        break;
    case 1:
        Text2->hide();
        Text3->hide();
        Text4->hide();
        Text1->show();
        Label1->setText(QStringLiteral("البحث حسب الشخص"));
        Text1->setFocus();
        Label7->hide();
        Label8->show();
        break;
    default:
        break;
    }
}

void Form6::Text1_KeyPress()
{
    // Enter in a search box searches.
    Command2_Click();
}

void Form6::Command2_Click()
{
    beginAction();
    const int kind = searchKind();
    if (kind < 0)
        MessageBoxes::searchKindMissing(this, true);

    if (kind == 0) {
        if (!FindDate()) {
            report(Data1->Recordset()->lastError());
            setRecordButtons(false);
        } else if (Data1->Recordset()->atEOF()) {
            setRecordButtons(false);
            MessageBoxes::notFound(this, QStringLiteral("No results were found!"));
        } else {
            setRecordButtons(true);
        }
    } else if (kind == 1) {
        // The payee total keeps following the last name search that found someone.
        const std::optional<Statement> lastSums = Data2->Recordset()->statement();
        const QString lastSumsSource = Data2->RecordSource();
        const bool ran = FindName();
        if (!ran) {
            const DataError error = Data1->Recordset()->lastError().isError() ? Data1->Recordset()->lastError()
                                                                              : Data2->Recordset()->lastError();
            report(error);
            setRecordButtons(!Data1->Recordset()->atEOF());
        } else if (Data1->Recordset()->atEOF()) {
            setRecordButtons(false);
            if (lastSums)
                Data2->setRecordSource(*lastSums);
            else
                Data2->setRecordSource(lastSumsSource);
            refresh(Data2);
            MessageBoxes::notFound(this, Text1->text() + QStringLiteral(" was not found!"));
        } else {
            setRecordButtons(true);
            StatusPanel *payee = StatusBar1->panel(2);
            if (payee) {
                m_payeeShown = true;
                payee->setText(payeeTotalText());
                payee->setAlignment(StatusPanel::Alignment::Center);
            }
        }
    }

    showList(ListEvent::Searched, OpenedFrom::StartWindow);
}

void Form6::Command3_Click()
{
    // With no current cheque there is nothing to delete and nothing to tell, but the list
    // is read again all the same; a database that refuses is reported.
    deleteSelected();
}

void Form6::Command1_Click()
{
    BeginNewRecord<Form7>();
}

void Form6::Command5_Click()
{
    // Each step's failure is ignored; an empty list still shows the window, captioned. The
    // cheque selected here is found by identity in the file as it is now.
    EditSelectedRecord<Form7>(this, Data1, QStringLiteral("تعديل شيك"));
}

void Form6::Command4_Click()
{
    goBack();
}

namespace {

// The cheques of a report summed per payee and in all.
class PayeeTotals : public ReportTally
{
public:
    PayeeTotals(qsizetype payee, qsizetype dinars, qsizetype fils) : m_payee(payee), m_dinars(dinars), m_fils(fils) {}

    void add(const QStringList &values) override
    {
        const qint64 d = values.value(m_dinars).toLongLong();
        const qint64 f = values.value(m_fils).toLongLong();
        // Payees are told apart as the book's own sums tell them: Latin case aside.
        const QString name = values.value(m_payee);
        QString key = name;
        for (QChar &c : key) {
            if (c.unicode() < 128)
                c = c.toLower();
        }
        auto &entry = m_sums[key];
        if (entry.first.isEmpty())
            entry.first = name;
        entry.second.add(d, f);
        m_all.add(d, f);
    }

    QStringList closing() const override
    {
        QStringList lines{QStringLiteral("المجاميع حسب المستفيد")};
        QList<const std::pair<QString, ChequeSum> *> ordered;
        for (const auto &entry : m_sums)
            ordered << &entry.second;
        QCollator collator(arabicLocale());
        std::stable_sort(ordered.begin(), ordered.end(),
                         [&](auto *a, auto *b) { return collator.compare(a->first, b->first) < 0; });
        for (const auto *entry : ordered)
            lines << labelled(entry->first, entry->second.text());
        lines << labelled(QStringLiteral("المجموع الكلي"), m_all.text());
        return lines;
    }

private:
    qsizetype m_payee;
    qsizetype m_dinars;
    qsizetype m_fils;
    std::map<QString, std::pair<QString, ChequeSum>> m_sums;
    ChequeSum m_all;
};

} // namespace

void Form6::completeReport(Report &report)
{
    // The cheques listed, summed per payee and in all; fils carried into dinars as a cheque
    // writes an amount.
    const QStringList fields = Data1->Recordset()->fieldNames();
    const qsizetype payee = fields.indexOf(Books::ChequeColumns::payee);
    const qsizetype dinars = fields.indexOf(Books::ChequeColumns::dinars);
    const qsizetype fils = fields.indexOf(Books::ChequeColumns::fils);
    if (payee < 0 || dinars < 0 || fils < 0)
        return;
    report.tally = [payee, dinars, fils] { return std::make_unique<PayeeTotals>(payee, dinars, fils); };
}

} // namespace dalil
