// Arabic text as a search compares it and as a list orders it: the folding that ignores the
// differences of spelling that do not change a word, and ICU's Arabic collation keys. The
// search keys kept in the file (store/searchkeys.h) are made of these.
#pragma once

#include <QByteArray>
#include <QString>

namespace dalil::SearchKeys {

// The text as searches compare it.
QString fold(const QString &text);
// The same folding as an SQL expression over expression, in stages (SQLite's parser refuses
// deeper nesting): apply stage 0 first, then each next stage to the result of the one before.
constexpr int foldStages = 3;
QString foldSql(const QString &expression, int stage);

// ICU's Arabic collation: byte strings that compare (as SQLite compares blobs) in the order
// of an Arabic phone book.
QByteArray sortKey(const QString &text);
// Names the collation and its version; sort keys made by another version are made again.
QString collatorVersion();

} // namespace dalil::SearchKeys
