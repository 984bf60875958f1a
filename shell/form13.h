// An import's preview: the first records as they will be stored, how many there are and how
// many are left out as already stored, the records the user should decide on, the encoding a
// spreadsheet's file was read in, and what the user should know; nothing is stored until the
// user says so.
#pragma once

#include "exchange.h"

#include "common/form.h"

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace dalil {

class Form13 : public Form
{
    Q_OBJECT

public:
    Form13();
    static QString designName() { return QStringLiteral("Form13"); }

    void setImport(const ExchangeFiles::Request &request, const QString &path, const Exchange::Preview &preview);

    QLabel *Label1;        // what will be stored
    QTableWidget *Table1;  // the first records, in the book's columns; questioned ones marked
    QLabel *Label3;        // a CSV file: its encoding…
    QComboBox *Combo1;     // … which the user may change: the file is read again
    QLabel *Label4;        // how many records are questioned, and why
    QRadioButton *Option1; // store them as they are
    QRadioButton *Option2; // leave them out
    QLabel *Label2;        // notices
    QPushButton *Command1; // import
    QPushButton *Command2; // cancel

    QWidget *restingFocus() override;

private:
    void Combo1_Click();
    void Option_Click();
    void Command1_Click();
    void Command2_Click();
    void showSummary();

    ExchangeFiles::Request m_request;
    QString m_path;
    Exchange::Preview m_counts; // the preview's counts, not its records
};

} // namespace dalil
