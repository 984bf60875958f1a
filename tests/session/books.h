// What each user action does to the model: the windows, the records, the lists and panels,
// the message boxes the user must meet and where the focus must land.
#pragma once

#include "model.h"

#include <optional>

namespace session {

struct Outcome
{
    bool applicable = true;  // false: the user cannot do this now, and nothing is done
    bool unsupported = false; // a state the model leaves unsettled: the session ends there
    QString why;
    QList<BoxExpect> boxes;
    bool windowChange = false;
    QString focusForm;        // where the focus must be, when anywhere in particular
    QString focusWidget;      // an object name, or "grid"
    // The highlighted row of this list is read back from the grid (PageUp, PageDown, a key
    // the model does not follow); direction says which way it may have gone.
    int adoptBook = -1;
    int direction = 0;
    // A print was asked for: whether a file must come out of it.
    std::optional<bool> printed;
};

class Books
{
public:
    Books(Model &model, const Switches &switches) : m(model), sw(switches) {}

    Outcome apply(const Action &action);

private:
    Outcome applyAction(const Action &action);
    Outcome startOrMenu(const Action &a);
    Outcome click(const QString &form, const QString &button, bool doubleClick);
    Outcome listClick(Book b, const QString &button, bool doubleClick);
    Outcome entryClick(Book b, const QString &button);
    Outcome type(const Action &a);
    Outcome pickKind(const Action &a);
    Outcome gridAction(const Action &a);
    Outcome navBar(const Action &a);
    Outcome closeBox(const Action &a);
    Outcome otherWrite(const Action &a);
    Outcome syncRound(const Action &a);
    Outcome undo(const Action &a);
    Outcome deletedWindow(const Action &a);
    Outcome exchange(const Action &a);
    // Panel 2 of the cheque list after a write the list read again.
    QStringList payeePanelAfterWrite(const ListWindow &l) const;
    // The Hijri calendar options window Form10.
    void openHijriOptions(Outcome &out);
    Outcome hijriClick(const QString &button, bool doubleClick);
    Outcome pickItem(const Action &a);

    void openList(Book b, bool fromMenu, Outcome &out);
    void loadList(Book b);
    void loadEntry(Book b);
    void refreshList(Book b);
    // The list read again after Ctrl+Z, its panels as after a save; the entry window's record stale.
    void rereadAsAfterSave(Book b);
    void showRecord(Book b, qint64 key);
    // The frame shows a window, or uncovers the one below a window it hid: the window comes
    // to the front, and an entry window reads its set again (and its record, where nothing
    // is typed into it).
    void show(const QString &form);
    void hide(const QString &form);
    void broughtToFront(const QString &form);
    void reread(Book b);
    // The question a write meets when the record changed in the file since it was read.
    QString conflictQuestion(Book b, const Row &stored) const;
    void showFirst(Book b);
    // The list and its panels after a write it did not re-read: the file's new state joins
    // what the list may show.
    void widen(Book b);
    // Writes the entry's pending record as a move or a save does. Where the record changed in
    // the file since it was read, the user is asked and answers as the action says; false
    // where nothing moves on (the write refused, the record gone, or the changes given up).
    bool writePending(Book b, Outcome &out);
    void search(Book b, Outcome &out);
    void deleteRecord(Book b, Outcome &out);
    // False where what the entry window held could not be written: no new record begins.
    bool beginNew(Book b, Outcome &out);
    void edit(Book b, Outcome &out);
    void save(Book b, Outcome &out);
    // Text5 of the cheque window after the user changed a figure.
    static void amountEdited(EntryWindow &e);
    void cancel(Book b, Outcome &out);
    bool validate(Book b, Outcome &out);
    // The cheque passes the save's checks and its words agree (or are kept).
    bool chequePrintable(Outcome &out);
    // saved: the record the save wrote or stood on, where the list's highlight goes.
    void afterEntryClosed(Book b, Outcome &out, bool saved, qint64 savedKey = -1);
    qint64 insert(Book b, const Row &row);

    Model &m;
    const Switches &sw;
    qint64 m_written = -1; // the record the last writePending wrote
    int m_answer = 0;      // the action's answer: 1 keeps the user's changes over the other's
};

} // namespace session
