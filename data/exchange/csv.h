// The cheque book as CSV (RFC 4180, UTF-8), the form a spreadsheet opens and saves.
//
// Writing: a first line of the table's Arabic column headings, then one line per cheque,
// CRLF-ended, fields quoted where they hold a comma, a quote, a line break or surrounding
// blanks. A byte order mark leads by default so that a spreadsheet reads the file as UTF-8.
// A text that a spreadsheet would run as a formula (one starting with = + - @, a tab or a
// carriage return) is written behind an apostrophe, as spreadsheets themselves mark text; a
// text that already starts with an apostrophe gets one more, so that reading takes exactly
// one away and every text comes back as it was.
//
// Reading: columns are matched by their heading in the first line, in any order; a heading
// Dalil does not know is named in the notices and left out. The separator is the comma, or
// the semicolon or tab a spreadsheet uses in some countries when the heading line has no
// comma. Dinars and fils are checked as the cheque writing window checks them: whole numbers
// in the digits 0 to 9 (Arabic-Indic digits are read as such), twelve digits at most; a
// cheque needs at least one of them. Amounts in words left empty are written from the figures.
// The day, month and year take 0 to 9 for Arabic-Indic digits, as the window's boxes do.
// A cheque whose amount in words says another amount than its figures is questioned
// (question()): the user chooses whether such cheques are stored.
//
// The file's encoding is UTF-8, or Windows-1256, which an Arabic spreadsheet writes when told
// "CSV" rather than "CSV UTF-8". Left to the reader (Encoding::Detect), a file whose first
// megabyte is not UTF-8 and reads as Arabic in Windows-1256 is read as that; encoding() says
// which was taken.
#pragma once

#include "exchange.h"

#include <memory>

class QIODevice;

namespace dalil::Csv {

enum class Encoding { Detect, Utf8, Windows1256 };
std::unique_ptr<Exchange::RecordReader> reader(QIODevice *in, Encoding encoding = Encoding::Detect);
// The encoding as the user knows it: "UTF-8", "Windows-1256".
QString encodingName(Encoding encoding);

struct WriterOptions
{
    bool byteOrderMark = true;
};
std::unique_ptr<Exchange::RecordWriter> writer(QIODevice *out, WriterOptions options = {});

} // namespace dalil::Csv
