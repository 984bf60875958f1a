#include "appointments.h"

#include "form10.h"
#include "form4.h"
#include "form5.h"

namespace dalil::appointments {

void open(OpenedFrom from)
{
    Forms::Load<Form4>()->open(from);
}

void addRecord()
{
    BeginNewRecord<Form5>();
}

void hijriOptions()
{
    openHijriOptions();
}

} // namespace dalil::appointments
