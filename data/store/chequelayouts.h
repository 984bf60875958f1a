// The cheque layouts kept in DB1.mdb: the user keeps named layouts (chequelayout.h) and chooses
// the one the printer uses.
#pragma once

#include "chequelayout.h"
#include "connection.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace dalil {

namespace ChequeLayouts {

// The layouts kept in the file, by name in Arabic order; the shipped one when the file keeps
// none (an older file that could not be brought up to date).
QStringList names(const QString &databasePath);
std::optional<ChequeLayout> load(const QString &databasePath, const QString &name);
// The layout the cheques print with: the one chosen last, or the first there is.
ChequeLayout chosen(const QString &databasePath);

// Writes the layout under its name (replacing one of that name) and makes it the chosen one;
// one transaction. Where the file cannot keep it (read-only, locked), the layout is still the
// one this run prints with, and choose() likewise.
DataError save(const QString &databasePath, const ChequeLayout &layout);
DataError choose(const QString &databasePath, const QString &name);
// Removes a layout; the last one left is kept (the cheques always have one).
DataError remove(const QString &databasePath, const QString &name);

} // namespace ChequeLayouts

} // namespace dalil
