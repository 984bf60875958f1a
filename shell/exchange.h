// Exchange with other programs, as the file menu's import and export commands run it: which
// formats each book has, the file written behind a progress window, and an input read through
// once for its preview, then stored in one transaction.
#pragma once

#include "data/exchange/csv.h"
#include "data/exchange/exchange.h"

#include <QDate>
#include <QList>
#include <QString>

#include <memory>

class QIODevice;
class QWidget;

namespace dalil {
class ListWindow;
}

namespace dalil::ExchangeFiles {

// Access: a book of an older DB1.mdb kept by Microsoft Access (imports only).
enum class Format { VCard4, VCard3, ICalendar, Csv, Access };

// The formats a book is exported to or imported from, the first the usual one.
QList<Format> formats(const QString &book, bool importing);
// The format as the window names it: an import names what it reads.
QString caption(Format format, bool importing = false);

struct Request
{
    QString book; // Phone, Note or Cheque
    Format format = Format::Csv;
    bool shownOnly = false;      // export: the rows the book's list shows, its search in force
    bool byteOrderMark = true;   // CSV export
    QDate from;                  // import: a recurring appointment's occurrences from
    QDate to;                    // … to
    Csv::Encoding encoding = Csv::Encoding::Detect; // CSV import: the file's encoding
    bool leaveOutQuestioned = false; // import: records the reader questions are not stored
};

// Asks for the file, then exports or imports it; the user is told how it went.
void exportBook(QWidget *parent, const Request &request);
void chooseImport(QWidget *parent, const Request &request);

// The steps without the file window, for the windows and their tests.
bool exportTo(QWidget *parent, const Request &request, const QString &path);
// Reads the file through for its preview and shows it in the preview window.
bool previewImport(QWidget *parent, const Request &request, const QString &path);
bool importFrom(QWidget *parent, const Request &request, const QString &path);

std::unique_ptr<Exchange::RecordReader> reader(const Request &request, QIODevice *in);

// The book's list window when it is loaded: its search in force is what "only what the list
// shows" exports.
ListWindow *bookList(const QString &book);

} // namespace dalil::ExchangeFiles
