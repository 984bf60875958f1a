// Import and export: which book, which format, and the choices of that format, before Qt's
// file window asks for the file.
#pragma once

#include "exchange.h"

#include "common/form.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QPushButton;

namespace dalil {

class Form12 : public Form
{
    Q_OBJECT

public:
    Form12();
    static QString designName() { return QStringLiteral("Form12"); }

    // The window asks for an import or for an export.
    void setImporting(bool importing);
    bool importing() const { return m_importing; }
    // What the window's choices ask for.
    ExchangeFiles::Request request() const;

    QLabel *Label1;
    QComboBox *Combo1; // the book
    QLabel *Label2;
    QComboBox *Combo2; // the format
    QCheckBox *Check1; // export: only what the book's list shows
    QCheckBox *Check2; // CSV export: a byte order mark
    QLabel *Label3;
    QDateEdit *DTPicker1; // import: recurring appointments from
    QLabel *Label4;
    QDateEdit *DTPicker2; // … to
    QPushButton *Command1; // go on, to the file window
    QPushButton *Command2; // cancel
    QFrame *Frame1;        // holds the rest, centred in the frame

    QWidget *restingFocus() override;

private:
    void Combo1_Click();
    void Combo2_Click();
    void Command1_Click();
    void Command2_Click();

    bool m_importing = false;
};

} // namespace dalil
