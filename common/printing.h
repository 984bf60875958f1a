// Printing: every print of the program goes through a print preview, from which the user
// prints on any printer or to a PDF file; a harness may send them all straight to one file.
#pragma once

#include <QPageLayout>
#include <QString>

#include <functional>

class QPaintDevice;
class QPrinter;
class QWidget;

namespace dalil::Printing {

// For tests and harnesses only: every print writes this PDF file directly, with no dialog.
// An empty path gives the preview back.
void setTarget(const QString &pdfPath);
QString target();

struct Job
{
    QString title;      // the document's name, as printers and PDF files show it
    QPageLayout layout; // the page the job is drawn for
    // Draws every page on the printer (already set up); false when the user stopped it half
    // way or it could not be drawn: a file begun for it is then removed, never left half written.
    std::function<bool(QPrinter &printer)> paint;
    // The page is the job's own (a cheque's leaf): whatever printer, file or page the user
    // picks on the way, the job is drawn and printed on it.
    bool fixedPage = false;
};

enum class Outcome { Printed, Cancelled };

// Through the preview, or straight into the target when one is set.
Outcome print(QWidget *parent, const Job &job);

// Millimetres to the printer's device pixels, and a font size that prints at `points` on the
// device whatever its resolution (a preview on screen is drawn at its own scale).
double pixelsPerMillimetre(const QPaintDevice &device);

} // namespace dalil::Printing
