// The phone book's entry points for the start window and the frame's menu.
#pragma once

#include "common/records.h"

namespace dalil::phonebook {

// The open-phone-book routine: shows the phone list, hides the start window.
void open(OpenedFrom from);
// Begins a new phone entry (the menu's add command).
void addRecord();

} // namespace dalil::phonebook
