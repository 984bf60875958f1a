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
    const bool severalLines = tallied || (report.severalLines && report.severalLines());
    const qint64 steps = qMax<qint64>(1, report.rowCount * (severalLines ? 2 : 1));
    qint64 done = 0;
    // The window is kept alive between pages: the user can stop the print, and nothing freezes.
    const auto advance = [&](qint64 by) {
        done += by;
        progress.setValue(int(done * 100 / steps));
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    };

    const Geometry g = measure(printer, report);
    const qint64 perPage = g.linesPerPage;
    const int most = int(qMin<qint64>(rowLinesAtMost, perPage));
    // Rows of several lines take as many lines of the page, the last rows of a page going on
    // at the top of the next: the pages are counted from every row's lines, read first.
    const auto linesOf = [&](const QStringList &values) {
        int taken = 1;
        for (const ReportColumn &column : report.columns)
            taken = qMax(taken, int(CellDelegate::shownLines(values.value(column.field), most).size()));
        return taken;
    };
    struct Place
    {
        qint64 row = 0;
        int line = 0; // of the row
    };
    QList<Place> pageStarts; // where each page begins, when rows take several lines
    qint64 rowLines = report.rowCount;
    QStringList closing;
    if (severalLines) {
        rowLines = 0;
        for (qint64 r = 0; r < report.rowCount; ++r) {
            const QStringList values = report.row(r);
            if (tallied)
                tally->add(values);
            const int taken = linesOf(values);
            while (qint64(pageStarts.size()) * perPage < rowLines + taken)
                pageStarts << Place{r, int(pageStarts.size() * perPage - rowLines)};
            rowLines += taken;
            if ((r + 1) % 500 == 0 && !advance(500))
                return false;
        }
        done = report.rowCount;
        if (tallied)
            closing = tally->closing();
    }
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setLayoutDirection(Qt::RightToLeft);
    const auto startOf = [&](int page) { // 0-based
        const qint64 line = page * perPage;
        if (line >= rowLines)
            return Place{report.rowCount, 0};
        return severalLines ? pageStarts.at(page) : Place{line, 0};
    };
    const bool searched = !report.subtitle.isEmpty();
    const qint64 closingLines = closing.isEmpty() ? 0 : closing.size() + 1;
    const qint64 lines = rowLines + closingLines;
    const int pages = int(qMax<qint64>(1, (lines + perPage - 1) / perPage));

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

    bool first = true;
    for (int page = 1; page <= pages; ++page) {
        if (preview && page > previewedPages && page < pages)
            continue;
        if (!first && !printer.newPage()) {
            painter.end();
            return false;
        }
        first = false;
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
        Place at = startOf(page - 1);
        const qint64 firstRow = at.row;
        const qint64 end = qMin(lines, page * perPage);
        for (qint64 line = (page - 1) * perPage; line < end;) {
            if (at.row < report.rowCount) {
                const QStringList values = report.row(at.row);
                QList<QStringList> shown;
                int taken = 1;
                for (const ReportColumn &column : report.columns) {
                    shown << CellDelegate::shownLines(values.value(column.field), severalLines ? most : 1);
                    taken = qMax(taken, int(shown.last().size()));
                }
                if (at.line >= taken) { // the row changed since its lines were counted
                    at = {at.row + 1, 0};
                    continue;
                }
                const int here = int(qMin<qint64>(taken - at.line, end - line));
                for (int c = 0; c < report.columns.size(); ++c) {
                    for (int l = at.line; l < at.line + here && l < shown[c].size(); ++l) {
                        const double top = y + (l - at.line) * g.rowHeight;
                        drawCell(painter, cells[c].adjusted(0, top, 0, top + g.rowHeight), shown[c].at(l),
                                 report.columns[c].alignment, pad);
                    }
                }
                y += here * g.rowHeight;
                line += here;
                at.line += here;
                if (at.line == taken) {
                    painter.setPen(faint);
                    painter.drawLine(QPointF(g.body.left(), y), QPointF(g.body.right(), y));
                    painter.setPen(Qt::black);
                    at = {at.row + 1, 0};
                }
            } else {
                // A blank line, then the closing lines across the page.
                if (const qint64 c = line - rowLines - 1; c >= 0 && c < closing.size()) {
                    painter.setFont(reportFont(9, c == 0));
                    Printing::drawText(painter, QRectF(g.body.left(), y, g.body.width(), g.rowHeight), closing.at(c),
                                       rightToLeft(Qt::AlignRight));
                    painter.setFont(reportFont(9));
                }
                y += g.rowHeight;
                ++line;
            }
        }

        painter.setFont(reportFont(9));
        QString footer = pageNumberText(page, pages);
        if (preview && page == previewedPages && pages > previewedPages + 1)
            footer += QStringLiteral(" — لا تُعرض في المعاينة الصفحات %1 إلى %2، وتُطبع كلها").arg(page + 1).arg(pages - 1);
        Printing::drawText(painter, QRectF(g.body.left(), g.body.bottom() - g.footerHeight, g.body.width(), g.footerHeight),
                         footer, rightToLeft(Qt::AlignHCenter));
        if (!advance(qMin(report.rowCount, at.row) - firstRow)) {
            painter.end();
            return false;
        }
    }
    return painter.end();
}

} // namespace dalil
