// The deleted records of every book, the most recently deleted first: the user puts back the
// ones chosen, or empties the list after a question.
#pragma once

#include "common/form.h"
#include "data/store/countcache.h"
#include "data/store/deletedrecords.h"

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

    // The deleted records read so far: a page from the newest, and a page more each time the
    // list is scrolled to its end.
    QList<DeletedRecords::Entry> entries() const { return m_entries; }
    // Reads the deleted records again from the newest (the window is shown again after other deletes).
    void fill();
    // Reads the next page of them, when there is one; false when every one is read.
    bool fillMore();
    // Read again from the newest when the file changed since (deletes elsewhere, another file).
    void catchUpWithFile() override;
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

    void addRows(const QList<DeletedRecords::Entry> &entries);

    QList<DeletedRecords::Entry> m_entries;
    bool m_complete = false;
    ChangeStamp m_read; // the file as the first page found it
};

} // namespace dalil
