#include "chequebook.h"

#include "form6.h"
#include "form7.h"
#include "form9.h"

namespace dalil::chequebook {

void open(OpenedFrom from)
{
    Forms::Load<Form6>()->open(from);
}

void addRecord()
{
    BeginNewRecord<Form7>();
}

void openLayouts()
{
    Forms::Load<Form9>()->Show();
}

} // namespace dalil::chequebook
