// The start window: the program's title and one large button per book.
#pragma once

#include "common/form.h"

#include <QToolButton>

class QLabel;
class QToolButton;

namespace dalil {

class Form1 : public Form
{
    Q_OBJECT

public:
    Form1();
    static QString designName() { return QStringLiteral("Form1"); }

    QLabel *Label1;
    QToolButton *Command1;
    QToolButton *Command2;
    QToolButton *Command3;

    QWidget *restingFocus() override { return Command1; }

protected:
    void Form_Unload() override;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
};

} // namespace dalil
