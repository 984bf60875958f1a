// The phone entry: one phone book entry typed, checked and saved, or cancelled.
#pragma once

#include "common/form.h"

class QLabel;
class QPushButton;

namespace dalil {

class BoundTextBox;
class DataControl;

class Form3 : public Form
{
    Q_OBJECT

public:
    Form3();
    static QString designName() { return QStringLiteral("Form3"); }
    // The caption the window is designed with, and bears whenever it adds.
    static QString addCaption() { return QStringLiteral("إضافة سجل"); }

    DataControl *Data1;
    BoundTextBox *Text1;
    BoundTextBox *Text2;
    BoundTextBox *Text3;
    BoundTextBox *Text4;
    BoundTextBox *Text5;
    BoundTextBox *Text6;
    BoundTextBox *Text7;
    BoundTextBox *Text8;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *Label5;
    QLabel *Label6;
    QLabel *Label7;
    QLabel *Label8;
    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command3;

    QWidget *restingFocus() override;

protected:
    void Form_Load() override;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    QList<BoundTextBox *> boxes() const;
};

} // namespace dalil
