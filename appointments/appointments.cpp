#include "appointments.h"

#include "form4.h"
#include "form5.h"

#include "common/datacontrol.h"

#include <QPushButton>

namespace dalil::appointments {

// The same steps from the start window's button and from the menu.
void open(OpenedFrom)
{
    Form4 *list = Forms::Load<Form4>();
    list->Show();
    Forms::hideStartWindow();
    list->Command2->setEnabled(!list->Data1->Recordset()->atEOF());
    list->applyGridLayout();
    list->buildStatusPanels();
}

void addRecord()
{
    BeginNewRecord<Form5>();
}

} // namespace dalil::appointments
