// The Hijri calendar's options (text/hijri.h) as DB1.mdb keeps them, in Dalil's own
// DalilOptions table.
#pragma once

#include "data/text/hijri.h"

#include <QSqlDatabase>
#include <QSqlError>

namespace dalil::Hijri {

// The options as DB1.mdb keeps them; the defaults when it keeps none (an older file that
// could not be brought up to date) or something this program does not know.
Options readOptions(const QSqlDatabase &db);
// Keeps the options in the file; false, with the engine's error, when it cannot.
bool writeOptions(const QSqlDatabase &db, const Options &options, QSqlError *error);

} // namespace dalil::Hijri
