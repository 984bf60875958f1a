// The phone book in vCard files: a reader for what other programs export (2.1, 3.0 and 4.0)
// and a writer of 3.0 or 4.0 cards, one card per record (the writer in vcardwriter.cpp).
//
// Writing. Each record gives one card: its UID (the record's own, Exchange::uidField, or
// without one a digest of its values, Exchange::DigestUids), FN (empty when the record has no
// name, as FN is required), N with the whole name as the family name, TEL typed home / cell /
// work / fax, EMAIL, ADR with the whole address as the street, and NOTE. UTF-8, CRLF line ends, lines
// folded at 75 octets between whole characters, text escaped as \\ \, \; and \n.
//
// Characters a vCard cannot carry. A text value may hold neither the C0 controls other than
// line feed and tab (NUL, CR, ...) nor DEL. A property whose value holds one is written with
// the parameter X-DALIL-ENCODING=PERCENT, and in its value (after the usual unescaping) each
// such character, and every '%', is written as '%' and two upper-case hex digits of its code:
//     NOTE;X-DALIL-ENCODING=PERCENT:a%00b%0Dc 50%25
// Other programs read a valid card with the codes shown as they are; this reader decodes them.
//
// Reading. Cards are read one at a time from the device, line by line (never the whole file):
// folding, 2.1 quoted-printable soft line breaks, parameters as TYPE=a,b or TYPE=a;TYPE=b or
// 2.1 bare words, ENCODING=QUOTED-PRINTABLE / b / BASE64, CHARSET (any name the text codecs
// know), grouped properties (item1.TEL), a byte order mark, CRLF or LF line ends.
//  - The name is FN, or, without one, N's parts in reading order (prefix given middle family
//    suffix). N is kept in the notes only when it has a word FN lacks.
//  - A number goes to its column by type: fax → فاكس, cell → الجوال, home → المنزل, work →
//    المكتب (fax first, so a work fax is a fax; cell before home and work). A pager number
//    goes to the notes. A number with no such type (none, or voice only) takes the first free
//    of المنزل, الجوال, المكتب, unless Apple labels it (item2.X-ABLabel): then it goes to the
//    notes with its label. A 4.0 number written as a URI loses its "tel:" (not one said to
//    be text, VALUE=text, as the writer says of a stored number that starts with "tel:").
//  - Text is unescaped (\n is a line feed; 2.1 knows only \; and \\) and a quoted-printable
//    =0D=0A is a line feed. A property with an empty value is passed over.
//  - The first e-mail and the first address take their columns (an address's parts joined by
//    ", ").
//  - The card's NOTEs open the notes, one after the other on their own lines. Below them, one
//    line each, comes everything that found no column, labelled in Arabic:
//        هاتف المنزل: 555 1234          a second home number
//        البريد الإلكتروني: a@b.c       a second e-mail
//        المؤسسة: IBM, Accounting
//        الإسم بأجزائه: العائلة Doe، الأول John
//        X-MS-MANAGER: Big Blue         a property with no Arabic label keeps its own name
//    A grouped property's Apple label (item2.X-ABLabel) is added to its group's line in
//    parentheses rather than given a line of its own.
//  - Pictures, logos, sounds and keys (PHOTO, LOGO, SOUND, KEY) are not kept: they are counted
//    in notices(). VERSION, PRODID and REV are left out. The card's first UID is given as the
//    record's (Exchange::uidField). notices() also counts the cards that had something kept
//    in their notes.
//  - A quoted-printable or base64 value whose bytes are not valid in its charset (a damaged
//    byte) is read with U+FFFD in place of the bad bytes, and a notice names the line. A value
//    written as plain bytes that are not valid in its charset (UTF-8 when none is named) stops
//    the reading: the file is in some other encoding.
//  - The contents of PHOTO, LOGO, SOUND and KEY are not decoded, so damage there is no problem.
// Problems (the reading stops; each message names its line): BEGIN without END, END without
// BEGIN, a property outside a card, a line without ':', bad quoted-printable, base64 or
// percent codes, an unknown charset, text that is not UTF-8, a line longer than
// Exchange::longestLine, a file that is not a vCard at all, and (line 0) an empty file.
// A reader's records are complete as given; after a problem the file's later cards are not read.
#pragma once

#include "exchange.h"

#include <memory>

class QIODevice;

namespace dalil::VCard {

enum class Version {
    V3, // 3.0, for older programs
    V4, // 4.0, the default
};

// The device stays the caller's and must outlive the reader or writer.
std::unique_ptr<Exchange::RecordReader> reader(QIODevice *in);
std::unique_ptr<Exchange::RecordWriter> writer(QIODevice *out, Version version);

// A text value as vCard 3.0/4.0 and iCalendar write it: \\ \, \; and \n escaped.
QString escapedText(const QString &text);

// Folds a content line at 75 octets (a continuation's leading space counts), never inside a
// UTF-8 sequence, and ends each physical line with CRLF: vCard and iCalendar alike.
void appendFolded(QByteArray &out, const QByteArray &line);

} // namespace dalil::VCard
