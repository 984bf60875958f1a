// The phone list: the phone book in a grid, searched by name or number, with delete.
#pragma once

#include "common/listwindow.h"

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace dalil {

class DataControl;
class DBGrid;
class StatusBar;
class SyncStatus;
class TextBox;

class Form2 : public ListWindow
{
    Q_OBJECT

public:
    Form2();
    static QString designName() { return QStringLiteral("Form2"); }

    // Replace the list by the records whose name, or whose home, mobile or office number,
    // begins with the text of Text1. False when the database could not be read.
    bool FindName();
    bool FindTel();

    QPushButton *Command1;
    QPushButton *Command5;
    QPushButton *Command3;
    QPushButton *Command4;
    QGroupBox *Frame1;
    QLabel *Label18;
    QListWidget *List1;
    TextBox *Text1;
    QPushButton *Command2;
    DBGrid *DBGrid1;
    DataControl *Data1;
    StatusBar *StatusBar1;
    // At the bar's far end: the sync with the server (hidden while it is off).
    SyncStatus *Label19;

    QWidget *restingFocus() override;

protected:
    void Form_Load() override;
    void showList(ListEvent event, OpenedFrom from) override;

private:
    // The grid's column widths (two sets: opened from the menu, or anything else),
    // right alignment and the three telephone headers.
    void applyGridLayout(OpenedFrom from);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void List1_Click();
    void Text1_KeyPress();
    bool search(bool byNumber);
};

} // namespace dalil
