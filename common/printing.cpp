#include "printing.h"

#include "application.h"
#include "messagebox.h"
#include "data/store/database.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QGlyphRun>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRawFont>
#include <QTextLayout>
#include <QTimer>

#include <malloc.h>

namespace dalil::Printing {

namespace {

QString &targetPath()
{
    static QString path;
    return path;
}

// The file a print to PDF was writing, as it stood before the print began.
struct FileState
{
    QString path;
    bool existed = false;
    QDateTime modified;
    qint64 size = 0;

    static FileState of(const QPrinter &printer)
    {
        FileState state;
        if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty())
            return state;
        const QFileInfo info(printer.outputFileName());
        state = {info.absoluteFilePath(), info.exists(), info.lastModified(), info.size()};
        return state;
    }

    // A print that did not finish leaves no half-written file; a file it never touched (the
    // preview draws on no file) stays.
    void dropIfTouched() const
    {
        if (path.isEmpty())
            return;
        const QFileInfo now(path);
        if (now.exists() && (!existed || now.lastModified() != modified || now.size() != size))
            QFile::remove(path);
    }
};

} // namespace

void setTarget(const QString &pdfPath)
{
    targetPath() = pdfPath;
}

QString target()
{
    return targetPath();
}

double pixelsPerMillimetre(const QPaintDevice &device)
{
    return device.logicalDpiX() / 25.4;
}

void drawText(QPainter &painter, const QRectF &rect, const QString &text, const QTextOption &option)
{
    if (!painter.paintEngine() || painter.paintEngine()->type() != QPaintEngine::Picture) {
        painter.drawText(rect, text, option);
        return;
    }
    QTextLayout layout(text, painter.font(), painter.device());
    QTextOption oneLine = option;
    oneLine.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(oneLine);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return;
    }
    line.setLineWidth(rect.width());
    line.setPosition({0, 0});
    layout.endLayout();
    const Qt::Alignment alignment = option.alignment();
    double top = rect.top();
    if (alignment & Qt::AlignVCenter)
        top += (rect.height() - line.height()) / 2;
    else if (alignment & Qt::AlignBottom)
        top += rect.height() - line.height();
    QPainterPath outlines;
    for (const QGlyphRun &run : layout.glyphRuns()) {
        const QRawFont font = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size(); ++i)
            outlines.addPath(font.pathForGlyph(glyphs.at(i)).translated(positions.at(i)));
    }
    outlines.setFillRule(Qt::WindingFill);
    // Recorded with the outlines: the preview shows them smoothed as it shows text.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(outlines.translated(rect.left(), top), painter.pen().brush());
    painter.restore();
}

namespace {

Outcome printing(QWidget *parent, const Job &job);

} // namespace

Outcome print(QWidget *parent, const Job &job)
{
    const Outcome outcome = printing(parent, job);
    // A long report's pages and rows are let go by now: the memory goes back to the system,
    // whether the print was done or stopped.
    ::malloc_trim(0);
    return outcome;
}

namespace {

Outcome printing(QWidget *parent, const Job &job)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(job.title);
    printer.setCreator(QStringLiteral("Dalil"));
    printer.setFullPage(true);
    printer.setPageLayout(job.layout);

    if (!target().isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(target());
        const FileState before = FileState::of(printer);
        if (job.paint(printer))
            return Outcome::Printed;
        before.dropIfTouched();
        return Outcome::Cancelled;
    }

    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("PrintPreviewDialog1"));
    preview.setWindowTitle(QStringLiteral("معاينة الطباعة - ") + job.title);
    preview.setLayoutDirection(Qt::RightToLeft);
    preview.resize(parent ? parent->window()->size() * 9 / 10 : QSize(1000, 700));
    bool stopped = false;
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter *onto) {
        if (stopped)
            return;
        // A file named in the print window is opened and emptied before a page is drawn: the
        // book's own files are never that file.
        if (onto->outputFormat() == QPrinter::PdfFormat && !onto->outputFileName().isEmpty()
            && Database::isOwnFile(databasePath(), onto->outputFileName())) {
            MessageBoxes::ownFileChosen(&preview, onto->outputFileName());
            onto->setOutputFileName(QString());
            stopped = true;
            QTimer::singleShot(0, &preview, &QDialog::reject);
            return;
        }
        // The print window, choosing a printer or a PDF file, gives the printer that printer's
        // or the file's default page; a leaf must come out on the leaf all the same.
        if (job.fixedPage && !onto->pageLayout().isEquivalentTo(job.layout))
            onto->setPageLayout(job.layout);
        const FileState before = FileState::of(*onto);
        if (job.paint(*onto))
            return;
        stopped = true;
        before.dropIfTouched();
        // The user stopped the preview's drawing: the preview goes with it.
        QTimer::singleShot(0, &preview, &QDialog::reject);
    });
    const bool printed = preview.exec() == QDialog::Accepted;
    return printed && !stopped ? Outcome::Printed : Outcome::Cancelled;
}

} // namespace

} // namespace dalil::Printing
