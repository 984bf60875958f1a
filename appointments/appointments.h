// The appointment book's entry points for the start window and the frame's menu.
#pragma once

#include "common/records.h"

namespace dalil::appointments {

// The open-appointment-book routine: shows the appointment list, hides the start window.
void open(OpenedFrom from);
// Begins a new appointment (the menu's add command).
void addRecord();
// The Hijri calendar options window (the menu's "التقويم الهجري").
void hijriOptions();

} // namespace dalil::appointments
