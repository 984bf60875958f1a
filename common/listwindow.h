// What the three list windows share: opening, the delete and edit buttons, the record count
// panel, deleting, and reading the list again after its entry window saved or was cancelled.
// Every record source read again goes through refresh(), which tells the user of a failure
// once an action. Each book gives what differs as data (ListBehaviour) and lays out its
// grid and status bar in showList().
#pragma once

#include "dbgrid.h"
#include "form.h"
#include "records.h"

#include <span>

class QPushButton;

namespace dalil {

class StatusBar;

// What has just happened to a list, for the steps that bring its grid and bar up to date.
enum class ListEvent { Opened, Searched, Deleted, Saved, Cancelled, ChangedElsewhere };

// Where the list stands once its entry window was cancelled.
enum class AfterCancel {
    StaysAsItIs, // shown only if it was
    Maximized,   // state 2 again, when it is on screen
    Shown,       // shown, even if the book was never opened
};

struct ListBehaviour {
    // The delete button reads the list again even when there was no record to delete.
    bool deleteReadsAgainWithoutRecord = false;
    // Deleting the only record lets go of delete and edit before the delete runs.
    bool lastDeleteDisablesButtonsFirst = false;
    AfterCancel afterCancel = AfterCancel::StaysAsItIs;
    // The book's name, the title of its printed report.
    QString bookName;
};

struct Report;
namespace Exchange {
struct Batch;
}

class ListWindow : public Form
{
    Q_OBJECT

public:
    // The open-book routine of the start window's button and of the menu.
    void open(OpenedFrom from);

    // What the entry window asks of its list. Its record was written: the list reads the
    // file again, with the search in force, and shows it, standing on the record saved.
    void afterSave(std::optional<qint64> saved = std::nullopt);
    // The entry window was cancelled and unloaded: the list shows itself as it stands.
    void afterCancel();

    // Ctrl+Z: the record deleted last from this book comes back, into its book, and becomes
    // the current record; the list, count and panels as after a save. When the book's last
    // change of that kind was an import, the import is undone instead, after a question.
    // False when there was nothing to undo, the user said no, or it could not be undone (the
    // user was told).
    bool undoDelete();

    // The list's record source: the book, the search in force and the order.
    RecordSource *records() const;

    // Prints the list exactly as the grid lists it, the search in force included, as a
    // report. False when nothing was printed (stopped, or the list could not be read).
    bool printReport();

protected:
    // name and size as Form's; the size is the design client area in twips.
    ListWindow(const QString &name, int widthTwips, int heightTwips, const ListBehaviour &behaviour);

    // The controls the shared routines work on; called once by the window's constructor.
    void setListControls(DataControl *data, DBGrid *grid, StatusBar *bar, QPushButton *deleteButton,
                         QPushButton *editButton);

    // Delete and edit together.
    void setRecordButtons(bool enabled);
    // Panel 1: width 1800, centred, the number of records listed.
    void writeRecordCount();

    // The book's own steps after each event: its grid layout and its status bar.
    virtual void showList(ListEvent event, OpenedFrom from = OpenedFrom::StartWindow) = 0;

    // Every user action (a handler, a routine an entry window calls) begins with this: the
    // first failure of the action is told, the ones that follow from it are not.
    void beginAction() { m_told = false; }
    // Reads the record source again; a failure is told to the user.
    bool refresh(DataControl *data);
    void report(const DataError &error);
    // Says once in a run, on the first search, when the file's searches match only the exact
    // spelling (the file could not be prepared for the others).
    void noteExactSearches(DataControl *data);

    // The grid's columns from the first: their widths in twips, all with one alignment. Every
    // refresh of the list's record source loses them.
    void layOutColumns(std::span<const int> widths, DBGrid::Alignment alignment);

    // The delete button: no question asked, the selected record goes at once (unless the
    // book says it may not: mayDelete tells the user why).
    void deleteSelected();
    virtual bool mayDelete() { return true; }
    // The back button.
    void goBack();

    void recordsChangedElsewhere() override;
    // The grid grows with the window, keeping the design's margins to its edges; the search
    // frame and the buttons keep their places against the top right.
    void resizeEvent(QResizeEvent *event) override;

    // What a book adds to its report (the cheque list's totals).
    virtual void completeReport(Report &) {}
    bool undoImport(const Exchange::Batch &batch);

private:
    ListBehaviour m_behaviour;
    DataControl *m_data = nullptr;
    DBGrid *m_grid = nullptr;
    StatusBar *m_bar = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_edit = nullptr;
    QRect m_gridDesign;  // pixels, in the design client area
    QSize m_designSize;
    bool m_told = false;
};

} // namespace dalil
