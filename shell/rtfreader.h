// Reads the rich-text files the program ships (the help file) into a QTextDocument.
#pragma once

#include <QByteArray>

class QTextDocument;

namespace dalil {

// Reads RTF as word processors save it into a QTextDocument. Never throws, never hangs;
// broken input gives whatever text could be read. Returns false when the data was not
// RTF at all ({\rtf missing); the document then holds the data as plain text.
bool readRtf(const QByteArray &rtf, QTextDocument *document);

} // namespace dalil
