// The cheque book's entry points for the start window and the frame's menu.
#pragma once

#include "common/records.h"

namespace dalil::chequebook {

// The open-cheque-book routine: shows the cheque list, hides the start window.
void open(OpenedFrom from);
// Begins a new cheque (the menu's add command).
void addRecord();
// The cheque layouts window (the options menu).
void openLayouts();

} // namespace dalil::chequebook
