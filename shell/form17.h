// The records of an older Access book that Dalil cannot hold as they stand (an amount with a
// fraction, a negative one, one of more than 12 digits...): shown before anything is written,
// and the user stops the conversion or goes on without them.
#pragma once

#include "common/form.h"
#include "data/exchange/access/conversion.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace dalil {

class Form17 : public Form
{
    Q_OBJECT

public:
    Form17();
    static QString designName() { return QStringLiteral("Form17"); }

    // The survey of the file at databasePath; the window keeps it for the conversion.
    void setSurvey(const QString &databasePath, const Access::Survey &survey);

    QLabel *Label1;        // how many records, and of which books
    QTableWidget *Table1;  // each: its place, payee or name, date, amount as stored, why
    QLabel *Label2;        // what going on does with them
    QPushButton *Command1; // go on without them
    QPushButton *Command2; // stop: nothing changes

    QWidget *restingFocus() override;

private:
    void Command1_Click();
    void Command2_Click();

    QString m_path;
    Access::Survey m_survey;
};

} // namespace dalil
