// The cheque writing window: one cheque, laid out like a paper cheque, written or edited.
#pragma once

#include "data/text/chequedraft.h"
#include "common/form.h"


class QFrame;
class QLabel;
class QPushButton;

namespace dalil {

class BoundTextBox;
class DataControl;

class Form7 : public Form
{
    Q_OBJECT

public:
    Form7();
    static QString designName() { return QStringLiteral("Form7"); }
    // The caption the window is designed with, and bears whenever it adds.
    static QString addCaption() { return QStringLiteral("إضافة شيك"); }

    DataControl *Data1;

    QLabel *Label4;
    BoundTextBox *Text1; // day
    BoundTextBox *Text3; // month
    BoundTextBox *Text2; // year
    QLabel *Label5;
    QLabel *Label6;
    BoundTextBox *Text8; // dinars
    BoundTextBox *Text7; // fils
    QLabel *Label1;
    BoundTextBox *Text4; // payee
    QLabel *Label2;
    BoundTextBox *Text5; // amount in words
    QLabel *Label3;
    BoundTextBox *Text6; // reason

    // The amount box: top, bottom, left and right edges, and the dinar/fils divider.
    QFrame *Line2;
    QFrame *Line4;
    QFrame *Line3;
    QFrame *Line5;
    QFrame *Line1;

    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command3;
    QPushButton *Command4; // prints the cheque on its leaf

    QWidget *restingFocus() override;

protected:
    void Form_Load() override;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Text6_KeyPress();

    // The boxes as typed.
    ChequeDraft::Typed typed() const;
    // The input checks of a save; false after telling the user what is wrong.
    bool entryIsComplete();
    void clearFields();

    // The amount in words follows the figures the user types, until the user writes it.
    void Amount_Change();
    void rememberShownWords();
    // The words as they stand disagree with the figures and the user will not keep them.
    bool wordsRefused();

    // The words that follow the figures.
    ChequeDraft m_draft;
};

} // namespace dalil
