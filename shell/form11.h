// The deleted records of every book, the most recently deleted first: the user puts back the
// ones chosen, or empties the list after a question.
#pragma once

#include "common/form.h"
#include "data/deletedrecords.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace dalil {

class Form11 : public Form
{
    Q_OBJECT

public:
    Form11();
    static QString designName() { return QStringLiteral("Form11"); }

    QLabel *Label1;
    QTableWidget *Table1; // book, time of the delete, the record
    QPushButton *Command1; // restore the selected
    QPushButton *Command2; // empty the list
    QPushButton *Command3; // close

    QList<DeletedRecords::Entry> entries() const { return m_entries; }
    // Reads the deleted records again (the window is shown again after other deletes).
    void fill();
    QWidget *restingFocus() override;

    // What a deleted record was, in a line: its name or text, and what tells it apart.
    static QString summary(const DeletedRecords::Entry &entry);
    static QString bookCaption(const QString &book);

protected:
    void Form_Load() override;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    QList<DeletedRecords::Entry> m_entries;
};

} // namespace dalil
