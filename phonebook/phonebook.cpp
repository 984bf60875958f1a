#include "phonebook.h"

#include "form2.h"
#include "form3.h"

namespace dalil::phonebook {

void open(OpenedFrom from)
{
    Forms::Load<Form2>()->open(from);
}

void addRecord()
{
    BeginNewRecord<Form3>();
}

} // namespace dalil::phonebook
