#include "phonebook.h"

#include "form2.h"
#include "form3.h"

#include "common/datacontrol.h"

#include <QPushButton>

namespace dalil::phonebook {

void open(OpenedFrom from)
{
    // A hidden list comes back as it was left, a search result included.
    Form2 *list = Forms::Load<Form2>();
    list->Show();
    Forms::hideStartWindow();
    list->Command3->setEnabled(!list->Data1->Recordset()->atEOF());
    list->writeRecordCount();
    list->applyGridLayout(from);
}

void addRecord()
{
    BeginNewRecord<Form3>();
}

} // namespace dalil::phonebook
