// What the book windows share: the record count text and the begin-new-record routine.
#pragma once

#include "datacontrol.h"
#include "form.h"
#include "messagebox.h"

#include <QString>

namespace dalil {

// "عدد السجلات: 12 سجل": the true count, however large.
inline QString recordCountText(qint64 count)
{
    return QStringLiteral("عدد السجلات: ") + QString::number(count) + QStringLiteral(" سجل");
}

// The begin-new-record routine of every add command, each step's failure ignored: load and
// show the entry window, move to its last record, begin a new record, hide its navigation bar.
template <class EntryForm>
EntryForm *BeginNewRecord()
{
    EntryForm *entry = Forms::Load<EntryForm>();
    entry->Show();
    entry->Data1->Recordset()->MoveLast(); // fails on an empty table; adding still works
    entry->Data1->Recordset()->AddNew();
    entry->Data1->setVisible(false);
    return entry;
}

// Where a book was opened from: the start window's button or the frame's menu. Some books
// lay their grid out differently for each.
enum class OpenedFrom { StartWindow, Menu };

// Moves the entry window's record set to the record selected in the list: the record the
// user chose, whatever the list's scrolling, search or order. Fails, changing nothing,
// when the list has no current record.
inline bool moveToSelectedRecord(DataControl *entryData, DataControl *listData)
{
    const std::optional<qint64> key = listData->Recordset()->currentKey();
    return key && entryData->Recordset()->moveToKey(*key);
}

// Writes the entry window's record by refreshing its record source, the window hidden as
// the save goes. When the database refuses the write, the window comes back with every box
// as it was typed and the user is told why; nothing is half-written.
inline bool writeEntry(Form *entry, DataControl *entryData)
{
    entry->Hide();
    if (entryData->Refresh())
        return true;
    entry->Show();
    MessageBoxes::dataError(entry, entryData->Recordset()->lastError());
    return false;
}

} // namespace dalil
