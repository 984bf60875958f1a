// A list as its report prints it: the grid's columns as the grid shows them, from the right,
// with their headings, widths and alignments; the list's rows as it lists them; and the search
// in force, as the user reads it.
#pragma once

#include "report.h"

namespace dalil {

class DBGrid;
class RecordSource;

Report gridReport(DBGrid *grid, RecordSource &records, const QString &title);

} // namespace dalil
