// The appointment entry window: one appointment typed or changed, its date taken from a
// month calendar, checked and saved into the appointment book.
#pragma once

#include "hijricalendar.h"

#include "common/form.h"

#include <QCalendar>
#include <QDate>

#include <optional>

class QLabel;
class QPushButton;
class QTimer;

namespace dalil {

class BoundTextBox;
class DataControl;

class Form5 : public Form
{
    Q_OBJECT

public:
    Form5();
    static QString designName() { return QStringLiteral("Form5"); }
    // The caption the window is designed with, and bears whenever it adds.
    static QString addCaption() { return QStringLiteral("إضافة موعد"); }

    QLabel *Label5;
    QLabel *Label6;
    QLabel *Label7;
    QLabel *Label8;
    DataControl *Data1;
    QLabel *Label1;
    BoundTextBox *Text1;
    HijriMonthView *MonthView1;
    QLabel *Label3;
    BoundTextBox *Text3;
    QLabel *Label2;
    BoundTextBox *Text2;
    QLabel *Label4;
    BoundTextBox *Text4;
    BoundTextBox *Text5;
    BoundTextBox *Text6;
    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command3;
    QTimer *Timer1;
    // The Hijri date of the day chosen, under the calendar, and today's at the clock line.
    QLabel *Label9;
    QLabel *Label10;

    QWidget *restingFocus() override;

protected:
    void Form_Load() override;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void MonthView1_DateClick(const QDate &date);
    // The date the three boxes name, when they name one.
    std::optional<QDate> typedDate() const;
    // The calendar stands on the date the boxes name; false when they name none it shows.
    bool followDateBoxes();
    // The weekday box names the weekday of the date typed.
    void fillWeekday();
    void Timer1_Timer();
    // Sets a label's caption, keeping it whole within or around its designed box.
    void showCaption(QLabel *label, const QString &text);
    // The day the date boxes name, in the Hijri calendar chosen; empty when they name none.
    void showHijriDay();
    void showHijriToday(QDate today);
    bool checkInput();
    void clearBoxes();

    // The calendar of the month view, the clock and the date check.
    const QCalendar m_calendar;
};

} // namespace dalil
