// An import's preview: the first records as they will be stored, how many there are and how
// many are left out as already stored, and what the user should know; nothing is stored
// until the user says so.
#pragma once

#include "exchange.h"

#include "common/form.h"

class QLabel;
class QPushButton;
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
    QTableWidget *Table1;  // the first records, in the book's columns
    QLabel *Label2;        // notices
    QPushButton *Command1; // import
    QPushButton *Command2; // cancel

    QWidget *restingFocus() override;

private:
    void Command1_Click();
    void Command2_Click();

    ExchangeFiles::Request m_request;
    QString m_path;
};

} // namespace dalil
