// Printing: every print of the program goes through a print preview, from which the user
// prints on any printer or to a PDF file; a harness may send them all straight to one file.
#pragma once

#include <QPageLayout>
#include <QString>

#include <functional>

class QPaintDevice;
class QPainter;
class QPrinter;
class QRectF;
class QTextOption;
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

// One line of text in rect, as QPainter::drawText(rect, text, option) draws it, on paper and in
// the preview alike. The preview records each run of a line on its own and lays it out again
// left to right when it shows it: a space or a bracket at the edge of an Arabic run then moves
// to its other side ("صفحة1 من 1"). There the line is drawn as the outlines of its glyphs, laid
// out once, as the printer lays it out.
void drawText(QPainter &painter, const QRectF &rect, const QString &text, const QTextOption &option);

} // namespace dalil::Printing
