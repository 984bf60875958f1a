// The Hijri calendar options: Umm al-Qura or the tabular calendar, and the days the local
// sighting of the moon moves it by; a sample of today under the choice; save or cancel.
#pragma once

#include "common/form.h"

#include "data/text/hijri.h"

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace dalil {

class Form10 : public Form
{
    Q_OBJECT

public:
    Form10();
    static QString designName() { return QStringLiteral("Form10"); }

    QLabel *Label1;
    QRadioButton *Option1;
    QRadioButton *Option2;
    QLabel *Label2;
    QComboBox *Combo1;
    QLabel *Label3;
    QLabel *Label4;
    QPushButton *Command1;
    QPushButton *Command2;

    QWidget *restingFocus() override;
    // The options as the controls show them now.
    Hijri::Options chosen() const;

protected:
    void Form_Load() override;

private:
    void Command1_Click();
    void Command2_Click();
    void showSample();
};

// The options window of the frame's menu: shown over the window in front.
void openHijriOptions();

} // namespace dalil
