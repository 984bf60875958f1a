#include "chequebook.h"

namespace dalil::chequebook {

// The book's windows land here; until then its commands do nothing.
void open(OpenedFrom)
{
}

void addRecord()
{
}

} // namespace dalil::chequebook
