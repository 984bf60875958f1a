// What the book windows share: the record count text and the begin-new-record routine.
#pragma once

#include "datacontrol.h"
#include "form.h"
#include "messagebox.h"
#include "textbox.h"

#include <QString>

#include <functional>

class QAbstractButton;

namespace dalil {

// "عدد السجلات: 12 سجل": the true count, however large.
inline QString recordCountText(qint64 count)
{
    return QStringLiteral("عدد السجلات: ") + QString::number(count) + QStringLiteral(" سجل");
}

// Writes what the entry window holds typed before its record set moves off the record. When
// the record changed in the file since it was read, the user chooses as on a save: their
// changes written over it (and the move goes on), or the record shown as it now stands (and
// the window stays on it). Any other failure is told, and the typing stays where it was.
bool writeBeforeMove(QWidget *entry, DataControl *entryData);

// What follows a write the file refused, for a move and a save alike. Where the record changed
// in the file since it was read, the user chooses: their changes written over it by `retry`,
// or the record shown as it now stands. Any other failure, the retry's included, is told.
// True when the write went through in the end.
bool settleRefusedWrite(QWidget *entry, RecordSource *records, const std::function<bool()> &retry);

// The begin-new-record routine of every add command, each step's failure ignored: load and
// show the entry window captioned for adding, move to its last record, begin a new record,
// hide its navigation bar.
template <class EntryForm>
EntryForm *BeginNewRecord()
{
    EntryForm *entry = Forms::Load<EntryForm>();
    // What the window holds typed is written first; where it cannot be, the window stays on it.
    if (!writeBeforeMove(entry, entry->Data1)) {
        entry->Show();
        return entry;
    }
    // The caption says what the window does, whatever it said for the last edit.
    entry->setWindowTitle(EntryForm::addCaption());
    entry->Show();
    entry->Data1->Recordset()->MoveLast(); // fails on an empty table; adding still works
    entry->Data1->Recordset()->AddNew();
    entry->Data1->setVisible(false);
    if (QWidget *first = entry->restingFocus())
        first->setFocus(Qt::OtherFocusReason);
    return entry;
}

// Where a book was opened from: the start window's button or the frame's menu. Some books
// lay their grid out differently for each.
enum class OpenedFrom { StartWindow, Menu };

// Moves the entry window's record set to the record selected in the list: the record the
// user chose, whatever the list's scrolling, search or order, read afresh from the file.
// Fails, changing nothing, when the list has no current record, and with RecordGone when
// the record was deleted elsewhere since the list showed it.
inline bool moveToSelectedRecord(DataControl *entryData, DataControl *listData)
{
    const std::optional<qint64> key = listData->Recordset()->currentKey();
    return key && entryData->Recordset()->moveToKey(*key);
}

// The edit routine of every list: loads the entry window, moves it to the record selected
// in the list, shows it captioned, and puts the focus in its first box. A record deleted
// elsewhere since the list showed it is not opened: the user is told and the list catches up.
// Other failures are ignored, as the design has it (an empty list still shows the window).
template <class EntryForm>
EntryForm *EditSelectedRecord(Form *list, DataControl *listData, const QString &caption)
{
    EntryForm *entry = Forms::Load<EntryForm>();
    if (!writeBeforeMove(entry, entry->Data1)) {
        entry->Show();
        return entry;
    }
    if (!moveToSelectedRecord(entry->Data1, listData)
        && entry->Data1->Recordset()->lastError().kind == DataError::Kind::RecordGone) {
        MessageBoxes::dataError(list, entry->Data1->Recordset()->lastError());
        list->catchUpWithFile();
        return nullptr;
    }
    entry->Show();
    entry->setWindowTitle(caption);
    // Every edit moves on to the next record the same way, whatever the window did before.
    entry->Data1->setVisible(true);
    if (QWidget *first = entry->restingFocus())
        first->setFocus(Qt::OtherFocusReason);
    return entry;
}

// A delete button answers one click at a time: the second click of a double click, or any
// press within the double-click interval of the last one, would delete the record that the
// first delete made current. Space and Enter still press it.
void guardAgainstDoubleClicks(QAbstractButton *button);

// Esc anywhere in an entry window presses its cancel button, with the button's own rules.
void cancelWithEscape(QWidget *window, QAbstractButton *cancel);
// Enter in any of these boxes presses the window's save button, checks and all.
void saveWithEnter(const QList<TextBox *> &boxes, QAbstractButton *save);

// Writes the entry window's record by refreshing its record source, the window hidden as
// the save goes. When the database refuses the write, the window comes back with every box
// as it was typed and the user is told why; nothing is half-written. When the record changed
// in the file since it was read, the user chooses: their changes written over it, or the
// record shown as it now stands (the window stays, nothing written).
inline bool writeEntry(Form *entry, DataControl *entryData)
{
    const auto write = [entry, entryData] {
        entry->Hide();
        if (entryData->Refresh())
            return true;
        entry->Show();
        return false;
    };
    return write() || settleRefusedWrite(entry, entryData->Recordset(), write);
}

} // namespace dalil
