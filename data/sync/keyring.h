// The sync's password in the desktop's keyring (through QtKeychain: the Secret Service or
// KWallet), never in DB1.mdb, a log or a file. Where no keyring runs, nothing is kept and the
// program asks the user once per run.
#pragma once

#include "task.h"

#include <QString>

#include <optional>

namespace dalil::Sync::Keyring {

// The keyring's entry of an account: the user at the server.
QString entryFor(const QString &user, const QUrl &server);

// What the keyring holds; nothing when it holds nothing or no keyring answers.
Task<std::optional<QString>> read(QString entry);
// False when no keyring took it.
Task<bool> write(QString entry, QString password);
Task<bool> forget(QString entry);

// For tests and machines without a keyring: no keyring is asked at all.
void setEnabled(bool enabled);

} // namespace dalil::Sync::Keyring
