// The cheque list: the cheques in a grid, search by date or payee, sums per payee and in all, delete.
#pragma once

#include "common/listwindow.h"

#include <array>

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace dalil {

class BoundLabel;
class DataControl;
class DBGrid;
class StatusBar;
class TextBox;

class Form6 : public ListWindow
{
    Q_OBJECT

public:
    Form6();
    static QString designName() { return QStringLiteral("Form6"); }

    // Widths of grid columns 0 to 7, in twips: A everywhere, B when opened from the menu.
    using ColumnWidths = std::array<int, 8>;
    static constexpr ColumnWidths layoutA{600, 600, 600, 2000, 1100, 1100, 2500, 2500};
    static constexpr ColumnWidths layoutB{500, 500, 500, 2000, 1000, 1000, 2500, 2500};

    // The searches; each returns false when the database could not run it.
    Q_INVOKABLE bool FindDate();
    Q_INVOKABLE bool FindName();

    DataControl *Data1;
    DataControl *Data2;
    DataControl *Data3;
    DBGrid *DBGrid1;
    StatusBar *StatusBar1;

    QGroupBox *Frame1;
    QListWidget *List1;
    QLabel *Label1;
    QLabel *Label7;
    QLabel *Label8;
    TextBox *Text1;
    TextBox *Text2;
    TextBox *Text3;
    TextBox *Text4;
    QPushButton *Command2;

    QPushButton *Command1;
    QPushButton *Command5;
    QPushButton *Command3;
    QPushButton *Command4;

    // Hidden, bound to the sums; the status bar is built from their captions.
    BoundLabel *Label2;
    BoundLabel *Label3;
    BoundLabel *Label4;
    BoundLabel *Label5;
    BoundLabel *Label6;

    QWidget *restingFocus() override;

protected:
    void Form_Load() override;
    void showList(ListEvent event, OpenedFrom from) override;
    void completeReport(Report &report) override;

private:
    // Reads the sums again (they change with every cheque written or deleted); a payee total
    // already on panel 2 follows its query.
    void readTotals();
    // Panel 3's text from the grand sums; its width and alignment are the caller's.
    void showGrandTotal();

    void List1_Click();
    void Text1_KeyPress();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

    // The chosen search kind: 0 by date, 1 by name, -1 none.
    int searchKind() const;
    QString payeeTotalText() const;

    // A name search that found someone filled panel 2: from then on it follows that search's
    // sums, blank while no cheque of theirs is left and back when one returns.
    bool m_payeeShown = false;
};

} // namespace dalil
