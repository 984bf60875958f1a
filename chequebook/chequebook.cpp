#include "chequebook.h"

#include "form6.h"
#include "form7.h"

namespace dalil::chequebook {

void open(OpenedFrom from)
{
    Forms::Load<Form6>()->open(from);
}

void addRecord()
{
    BeginNewRecord<Form7>();
}

} // namespace dalil::chequebook
