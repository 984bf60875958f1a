#include "report.h"

#include "bidi.h"
#include "celldelegate.h"
#include "printing.h"

#include "data/text/dates.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>

#include <cmath>

namespace dalil {

namespace {

constexpr double marginMm = 12;
constexpr double portraitWidthMm = 210 - 2 * marginMm;
// The grid's column widths are twips on screen: 1440 to the inch.
constexpr double twipsPerMm = 1440 / 25.4;

// After a colon that ends an Arabic word: the colon stays with the word wherever the line is
// laid out again (a preview replays each run of text on its own).
const QString rightToLeftMark = QStringLiteral("\u200F ");

QFont reportFont(double points, bool bold = false)
{
    QFont font(QStringLiteral("Dalil UI"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The page as the report draws it, in device pixels of the printer.
struct Geometry
{
    double mm = 1; // device pixels to the millimetre
    QRectF body;   // inside the margins
    double titleHeight = 0;
    double subtitleHeight = 0;
    double headingHeight = 0;
    double rowHeight = 0;
    double footerHeight = 0;
    qint64 linesPerPage = 1;

    double top(bool withSubtitle) const { return body.top() + titleHeight + (withSubtitle ? subtitleHeight : 0); }
};

Geometry measure(QPrinter &printer, const Report &report)
{
    Geometry g;
    g.mm = printer.logicalDpiX() / 25.4;
    const QRectF page = printer.pageLayout().fullRectPixels(printer.resolution());
    g.body = page.adjusted(marginMm * g.mm, marginMm * g.mm, -marginMm * g.mm, -marginMm * g.mm);
    g.titleHeight = QFontMetricsF(reportFont(14, true), &printer).height() * 1.4;
    g.subtitleHeight = QFontMetricsF(reportFont(10), &printer).height() * 1.4;
    const double line = QFontMetricsF(reportFont(9), &printer).height();
    g.headingHeight = QFontMetricsF(reportFont(9, true), &printer).height() * 1.6;
    g.rowHeight = line * 1.45;
    g.footerHeight = line * 2;
    const double room = g.body.bottom() - g.footerHeight - g.top(!report.subtitle.isEmpty()) - g.headingHeight;
    g.linesPerPage = qMax<qint64>(1, qint64(std::floor(room / g.rowHeight)));
    return g;
}

QTextOption rightToLeft(Qt::Alignment alignment)
{
    // The alignment is as seen on the page: right is right, whatever the text's direction.
    QTextOption option(alignment | Qt::AlignVCenter | Qt::AlignAbsolute);
    option.setTextDirection(Qt::RightToLeft);
    option.setWrapMode(QTextOption::NoWrap);
    return option;
}

void drawCell(QPainter &painter, const QRectF &cell, const QString &text, Qt::Alignment alignment, double pad)
{
    const QRectF inner = cell.adjusted(pad, 0, -pad, 0);
    // One line a row, as the grid shows it: a value of several lines is its first and "↵".
    const QString line = CellDelegate::shownText(text);
    // A value without Arabic letters (a telephone number, an amount, an e-mail address) reads
    // left to right: "+218 91 555 0000", never "0000 555 91 218+". Rather than lose its last
    // digits, it is set a little smaller where that makes it fit.
    QTextOption option = rightToLeft(alignment);
    const QFont font = painter.font();
    if (!Bidi::hasRightToLeftLetters(line)) {
        option.setTextDirection(Qt::LeftToRight);
        const double wide = QFontMetricsF(font, painter.device()).horizontalAdvance(line);
        if (wide > inner.width() && wide * 0.75 <= inner.width()) {
            QFont smaller = font;
            smaller.setPointSizeF(font.pointSizeF() * inner.width() / wide * 0.98);
            painter.setFont(smaller);
        }
    }
    const QString shown = QFontMetricsF(painter.font(), painter.device()).elidedText(line, Qt::ElideRight, inner.width());
    Printing::drawText(painter, inner, shown, option);
    painter.setFont(font);
}

} // namespace

QString pageNumberText(int page, int pages)
{
    return QStringLiteral("صفحة %1 من %2").arg(page).arg(pages);
}

QString labelled(const QString &label, const QString &text)
{
    return label + u':' + rightToLeftMark + text;
}

QPageLayout reportPageLayout(const Report &report)
{
    double twips = 0;
    for (const ReportColumn &column : report.columns)
        twips += column.width;
    // Across the page when the columns would otherwise be squeezed to less than nine tenths.
    const auto orientation =
        twips / twipsPerMm > 0.9 * portraitWidthMm ? QPageLayout::Landscape : QPageLayout::Portrait;
    return QPageLayout(QPageSize(QPageSize::A4), orientation, QMarginsF(), QPageLayout::Millimeter);
}

bool paintReport(QPrinter &printer, const Report &report, QWidget *progressParent)
{
    const std::unique_ptr<ReportTally> tally = report.tally ? report.tally() : nullptr;
    const bool tallied = tally != nullptr;
    // The preview's engine records pictures; a printer's or a file's writes each page out.
    const bool preview = printer.paintEngine() && printer.paintEngine()->type() == QPaintEngine::Picture;
    QProgressDialog progress(QStringLiteral("يجري إعداد التقرير للطباعة..."), QStringLiteral("إلغاء"), 0, 100,
                             progressParent);
    progress.setObjectName(QStringLiteral("ProgressDialog2"));
    progress.setWindowTitle(report.title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(400);
    const qint64 steps = qMax<qint64>(1, report.rowCount * (tallied ? 2 : 1));
    qint64 done = 0;
    // The window is kept alive between pages: the user can stop the print, and nothing freezes.
    const auto advance = [&](qint64 by) {
        done += by;
        progress.setValue(int(done * 100 / steps));
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    };

    QStringList closing;
    if (tallied) {
        for (qint64 r = 0; r < report.rowCount; ++r) {
            tally->add(report.row(r));
            if ((r + 1) % 500 == 0 && !advance(500))
                return false;
        }
        done = report.rowCount;
        closing = tally->closing();
    }

    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setLayoutDirection(Qt::RightToLeft);
    const Geometry g = measure(printer, report);
    const bool searched = !report.subtitle.isEmpty();
    const qint64 closingLines = closing.isEmpty() ? 0 : closing.size() + 1;
    const qint64 lines = report.rowCount + closingLines;
    const int pages = int(qMax<qint64>(1, (lines + g.linesPerPage - 1) / g.linesPerPage));

    double total = 0;
    for (const ReportColumn &column : report.columns)
        total += column.width;
    QList<QRectF> cells; // the columns' spans across the page, from the right
    double right = g.body.right();
    for (const ReportColumn &column : report.columns) {
        const double width = total > 0 ? g.body.width() * column.width / total : 0;
        cells << QRectF(right - width, 0, width, 0);
        right -= width;
    }
    const double pad = 0.8 * g.mm;
    const QPen rule(Qt::black, 0.2 * g.mm);
    const QPen faint(QColor(160, 160, 160), 0.1 * g.mm);

    qint64 line = 0;
    for (int page = 1; page <= pages; ++page) {
        if (preview && page > previewedPages && page < pages) {
            line += g.linesPerPage;
            continue;
        }
        if (page > 1 && !printer.newPage()) {
            painter.end();
            return false;
        }
        // The title at the right, the date at the left, what was searched below.
        painter.setFont(reportFont(14, true));
        const QRectF titleRect(g.body.left(), g.body.top(), g.body.width(), g.titleHeight);
        Printing::drawText(painter, titleRect, report.title, rightToLeft(Qt::AlignRight));
        painter.setFont(reportFont(10));
        Printing::drawText(painter, titleRect, labelled(QStringLiteral("التاريخ"), Dates::dateText(report.date)),
                         rightToLeft(Qt::AlignLeft));
        if (searched)
            Printing::drawText(painter, QRectF(g.body.left(), g.body.top() + g.titleHeight, g.body.width(), g.subtitleHeight),
                             report.subtitle, rightToLeft(Qt::AlignRight));

        double y = g.top(searched);
        painter.setFont(reportFont(9, true));
        painter.fillRect(QRectF(g.body.left(), y, g.body.width(), g.headingHeight), QColor(230, 230, 230));
        for (int c = 0; c < report.columns.size(); ++c)
            drawCell(painter, cells[c].adjusted(0, y, 0, y + g.headingHeight), report.columns[c].heading,
                     Qt::AlignHCenter, pad);
        y += g.headingHeight;
        painter.setPen(rule);
        painter.drawLine(QPointF(g.body.left(), y), QPointF(g.body.right(), y));
        painter.setPen(Qt::black);

        painter.setFont(reportFont(9));
        const qint64 first = line;
        const qint64 last = qMin(lines, line + g.linesPerPage);
        for (; line < last; ++line, y += g.rowHeight) {
            if (line < report.rowCount) {
                const QStringList values = report.row(line);
                for (int c = 0; c < report.columns.size(); ++c) {
                    const ReportColumn &column = report.columns[c];
                    drawCell(painter, cells[c].adjusted(0, y, 0, y + g.rowHeight), values.value(column.field),
                             column.alignment, pad);
                }
                painter.setPen(faint);
                painter.drawLine(QPointF(g.body.left(), y + g.rowHeight), QPointF(g.body.right(), y + g.rowHeight));
                painter.setPen(Qt::black);
            } else if (const qint64 c = line - report.rowCount - 1; c >= 0) {
                // A blank line, then the closing lines across the page.
                painter.setFont(reportFont(9, c == 0));
                Printing::drawText(painter, QRectF(g.body.left(), y, g.body.width(), g.rowHeight), closing.at(c),
                                 rightToLeft(Qt::AlignRight));
                painter.setFont(reportFont(9));
            }
        }

        painter.setFont(reportFont(9));
        QString footer = pageNumberText(page, pages);
        if (preview && page == previewedPages && pages > previewedPages + 1)
            footer += QStringLiteral(" — لا تُعرض في المعاينة الصفحات %1 إلى %2، وتُطبع كلها").arg(page + 1).arg(pages - 1);
        Printing::drawText(painter, QRectF(g.body.left(), g.body.bottom() - g.footerHeight, g.body.width(), g.footerHeight),
                         footer, rightToLeft(Qt::AlignHCenter));
        const qint64 rowsOnPage = qMin(report.rowCount, last) - qMin(report.rowCount, first);
        if (!advance(rowsOnPage)) {
            painter.end();
            return false;
        }
    }
    return painter.end();
}

} // namespace dalil
