// The appointment list: the appointment book in a grid, with add, edit, delete and back.
#pragma once

#include "common/listwindow.h"

class QLabel;
class QPushButton;

namespace dalil {

class DataControl;
class DBGrid;
class StatusBar;
class SyncStatus;

class Form4 : public ListWindow
{
    Q_OBJECT

public:
    Form4();
    static QString designName() { return QStringLiteral("Form4"); }

    QPushButton *Command1;
    QPushButton *Command4;
    QPushButton *Command2;
    QPushButton *Command3;
    DBGrid *DBGrid1;
    DataControl *Data1;
    StatusBar *StatusBar1;
    // In the status bar beside the date panel: the selected appointment's Hijri date.
    QLabel *Label1;
    // Beside it: why the selected appointment has no reminder (its time or date does not
    // read); hidden while it has one.
    QLabel *Label2;
    // At the bar's far end: the sync with the server (hidden while it is off).
    SyncStatus *Label3;
    // Beside the Hijri date: the selected appointment is an occurrence of a recurring event
    // on the server, changed and deleted there only; hidden otherwise.
    QLabel *Label4;

    QWidget *restingFocus() override;

protected:
    void Form_Load() override;
    void showList(ListEvent event, OpenedFrom from) override;
    bool mayDelete() override;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    // The five narrow columns and the wide appointment column, all right-aligned; every
    // refresh of Data1 loses them.
    void applyGridLayout();
    // Count, date and time panels restyled; panels the bar does not have yet are skipped.
    void updateStatus();
    // The first opening's three panels; later openings leave the bar as it is.
    void buildStatusPanels();
    // Label1 after the date panel (after the count while the bar has no date panel yet).
    void placeHijriDate();
    // The selected appointment's Hijri date and whether it has a reminder.
    void showSelectedDay();
};

} // namespace dalil
