// Driving the organiser's windows as a user does: clicks on buttons, list items and grid
// rows, typing, and waiting until the window shows the result.
#pragma once

#include "common/form.h"

#include <QString>

#include <functional>

class QAbstractButton;
class QLineEdit;
class QListWidget;

namespace dalil {
class DBGrid;
}

namespace bench {

// The loaded window of that design name; the bench stops when it is not there.
dalil::Form *window(const QString &name);
[[noreturn]] void missing(const QString &form, const QString &name);
// A control of a loaded window, by its design name.
template <class T>
T *control(const QString &form, const QString &name)
{
    T *found = window(form)->findChild<T *>(name);
    if (!found)
        missing(form, name);
    return found;
}

void click(QAbstractButton *button);
void click(const QString &form, const QString &button);
void clickListItem(QListWidget *list, int row);
// Clicks a row of the grid; the row must be on screen.
void clickGridRow(dalil::DBGrid *grid, int row);
// Empties the box, then types the text one key at a time.
void typeInto(QLineEdit *box, const QString &text);

// Lets the window finish what the action started, and paints it, so that every row on
// screen has been read from the record source.
void settle(dalil::Form *form);
// Runs deferred deletions of unloaded windows.
void flush();
// Lets the program finish all it has left to do, so that none of it falls into the next timing.
void idle();

// The number shown in the first panel of a list window's status bar, -1 when there is none.
qint64 shownCount(const QString &form);

// Answers any message box the program shows (the bench should meet none), noting its text.
class BoxAnswerer
{
public:
    BoxAnswerer();
    ~BoxAnswerer();
    int seen() const;

private:
    struct Private;
    Private *d;
};

// A book: its windows and the names of the controls the bench uses.
struct Book
{
    QString name;        // for the report
    QString startButton; // on Form1
    QString list;
    QString entry;
    QString add;
    QString edit;
    QString remove;
    QString back;
    QString entryCheckBox; // the entry box that shows ...
    int checkColumn = 0;   // ... this grid column of the record
    std::function<void(int rep)> fillEntry;
};
Book phoneBook();
Book appointmentBook();
Book chequeBook();

// The start window on screen, every window of the book unloaded.
void unloadBook(const Book &book);
// The list window opened afresh from the start window.
void openFresh(const Book &book);
// Back to the start window, the list kept hidden.
void backToStart(const Book &book);

} // namespace bench
