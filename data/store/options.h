// Dalil's own settings, kept in the file's DalilOptions table: a name and a value each
// ('collator', 'cheque.layout', 'hijri.calendar', 'reminders.lead', 'sync.server'...), so that
// they travel with the books they belong to. The table is Dalil's, made by the upgrade to
// layout 4; an older file that could not be brought up to date has none, and reads give nothing.
#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <optional>
#include <utility>

struct sqlite3;

namespace dalil::Options {

using Value = std::pair<QString, QVariant>;

// The value kept under name; nothing when none is kept or it cannot be read.
std::optional<QVariant> value(const QSqlDatabase &db, const QString &name);
// The values kept under names beginning with prefix ("sync." for the server's settings).
QList<Value> withPrefix(const QSqlDatabase &db, const QString &prefix);
// Keeps the values, each replacing the one before: all of them, or none (one statement, so
// that it joins a transaction already open). False, with the engine's error, when it cannot.
bool set(const QSqlDatabase &db, const QList<Value> &values, QSqlError *error = nullptr);
// The same on the caller's query, whose lastError() then tells what failed.
bool set(QSqlQuery &query, const QList<Value> &values);

// For the upgrade and the key upkeep, on the bare connection inside their transaction: the
// table, and the statement that keeps one value (name and value quoted in its text).
bool create(sqlite3 *handle);
QString setSql(const QString &name, const QString &value);

} // namespace dalil::Options
