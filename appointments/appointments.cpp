#include "appointments.h"

namespace dalil::appointments {

// The book's windows land here; until then its commands do nothing.
void open(OpenedFrom)
{
}

void addRecord()
{
}

} // namespace dalil::appointments
