// The conflicts of the sync, one at a time: the record as this computer has it and as the
// server has it, side by side, the columns changed on both sides marked; the user keeps one,
// and the other goes among the deleted records.
#pragma once

#include "common/form.h"

#include "data/sync/engine.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace dalil {

class Form16 : public Form
{
    Q_OBJECT

public:
    Form16();
    static QString designName() { return QStringLiteral("Form16"); }

    QLabel *Label1;       // which conflict, of which book
    QTableWidget *Table1; // the column, this computer's value, the server's
    QPushButton *Command1; // keep this computer's
    QPushButton *Command2; // keep the server's
    QPushButton *Command3; // later

    // Shows the conflicts waiting, from the first; the window goes when none is left.
    void fill();
    QWidget *restingFocus() override;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void choose(bool keepLocal);
    void showCurrent();

    QList<Sync::Conflict> m_conflicts;
    int m_current = 0;
};

} // namespace dalil
