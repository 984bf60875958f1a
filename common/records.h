// What the book windows share: the record count text and the begin-new-record routine.
#pragma once

#include "datacontrol.h"
#include "form.h"

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

} // namespace dalil
