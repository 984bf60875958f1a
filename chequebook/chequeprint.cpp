#include "chequeprint.h"

#include "common/printing.h"
#include "data/text/amountwords.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>

#include <optional>

namespace dalil {

namespace {

constexpr double smallestPoints = 7;
constexpr double shrinkStep = 0.25;

std::optional<qint64> wholeNumber(const QString &text)
{
    const QString latin = toLatinDigits(text.trimmed());
    if (latin.isEmpty() || latin.size() > 15)
        return std::nullopt;
    for (const QChar c : latin) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    return latin.toLongLong();
}

QString grouped(qint64 number)
{
    return QLocale(QLocale::English).toString(number);
}

// A font of `points` as the device prints it at `pixelsPerMm`: a printer's own resolution
// gives the true size, a preview on screen its scaled one.
QFont itemFont(double points, const QPaintDevice &device, double pixelsPerMm)
{
    QFont font(QStringLiteral("Dalil UI"));
    font.setPointSizeF(points * pixelsPerMm / (device.logicalDpiY() / 25.4));
    return font;
}

QTextOption lineOption()
{
    QTextOption option(Qt::AlignRight | Qt::AlignAbsolute);
    option.setTextDirection(Qt::RightToLeft);
    option.setWrapMode(QTextOption::WordWrap);
    return option;
}

// The text laid out in lines of the box's width.
QStringList wrapped(const QString &text, const QFont &font, const QPaintDevice &device, double width)
{
    QTextLayout layout(text, font, const_cast<QPaintDevice *>(&device));
    layout.setTextOption(lineOption());
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

// The lines a text takes in its box, at the largest size from `points` down that fits.
struct Fitted
{
    QFont font;
    QStringList lines;
};

Fitted fit(const QString &text, double points, int maxLines, const QRectF &box, const QPaintDevice &device,
           double pixelsPerMm)
{
    for (double size = points;; size -= shrinkStep) {
        const bool smallest = size - shrinkStep < smallestPoints;
        const QFont font = itemFont(qMax(size, smallestPoints), device, pixelsPerMm);
        const QFontMetricsF metrics(font, &device);
        if (metrics.horizontalAdvance(text) <= box.width())
            return {font, {text}};
        const int lines = qMin(maxLines, qMax(1, int(box.height() / metrics.lineSpacing())));
        if (lines >= 2) {
            const QStringList wrappedLines = wrapped(text, font, device, box.width());
            bool fitsWidth = true;
            for (const QString &line : wrappedLines)
                fitsWidth = fitsWidth && metrics.horizontalAdvance(line) <= box.width();
            if (wrappedLines.size() <= lines && fitsWidth)
                return {font, wrappedLines};
            if (smallest) {
                // Two lines at the smallest size and still more: the second ends cut.
                QStringList cut = wrappedLines.mid(0, lines - 1);
                const QString rest = wrappedLines.mid(lines - 1).join(u' ');
                cut << metrics.elidedText(rest + QStringLiteral("…"), Qt::ElideRight, box.width());
                if (!cut.last().endsWith(u'…'))
                    cut.last() = metrics.elidedText(rest, Qt::ElideRight, box.width());
                return {font, cut};
            }
        } else if (smallest) {
            return {font, {metrics.elidedText(text, Qt::ElideRight, box.width())}};
        }
    }
}

QRectF inPixels(const QRectF &mm, double pixelsPerMm)
{
    return {mm.x() * pixelsPerMm, mm.y() * pixelsPerMm, mm.width() * pixelsPerMm, mm.height() * pixelsPerMm};
}

void drawLines(QPainter &painter, const Fitted &fitted, const QRectF &box)
{
    painter.setFont(fitted.font);
    const QFontMetricsF metrics(fitted.font, painter.device());
    const double block = metrics.height() + (fitted.lines.size() - 1) * metrics.lineSpacing();
    double y = box.top() + (box.height() - block) / 2;
    QTextOption option(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignTop);
    option.setTextDirection(Qt::RightToLeft);
    option.setWrapMode(QTextOption::NoWrap);
    for (const QString &line : fitted.lines) {
        Printing::drawText(painter, QRectF(box.left(), y, box.width(), metrics.height()), line, option);
        y += metrics.lineSpacing();
    }
}

bool printOnLeaf(QWidget *parent, const ChequeLayout &layout, const QString &title,
                 const std::function<void(QPainter &, double)> &draw)
{
    const QPageLayout page(QPageSize(QSizeF(layout.leafWidth, layout.leafHeight), QPageSize::Millimeter, QString(),
                                     QPageSize::ExactMatch),
                           QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
    const auto outcome = Printing::print(parent, {title, page, [&](QPrinter &printer) {
                                                      QPainter painter;
                                                      if (!painter.begin(&printer))
                                                          return false;
                                                      draw(painter, Printing::pixelsPerMillimetre(printer));
                                                      return painter.end();
                                                  },
                                                  true});
    return outcome == Printing::Outcome::Printed;
}

} // namespace

QString amountInFigures(const QString &dinars, const QString &fils)
{
    const auto d = wholeNumber(dinars);
    const auto f = wholeNumber(fils.isEmpty() ? QStringLiteral("0") : fils);
    if (!d || !f)
        return {};
    ChequeSum sum;
    sum.add(*d, *f);
    return grouped(sum.dinars) + u'.' + QStringLiteral("%1").arg(sum.fils, 3, 10, QChar(u'0'));
}

void ChequeSum::add(qint64 moreDinars, qint64 moreFils)
{
    fils += moreFils;
    dinars += moreDinars + fils / 1000;
    fils %= 1000;
}

QString ChequeSum::text() const
{
    return grouped(dinars) + QStringLiteral(" دينار و") + QString::number(fils) + QStringLiteral(" فلس");
}

void paintCheque(QPainter &painter, const ChequeLayout &layout, const ChequeTexts &texts, double pixelsPerMm)
{
    painter.save();
    painter.setPen(Qt::black);
    for (int i = 0; i < chequeItemCount; ++i) {
        const auto item = ChequeItem(i);
        const QString &text = texts[size_t(i)];
        if (text.isEmpty())
            continue;
        const QRectF box = inPixels(layout.box(item), pixelsPerMm);
        const int maxLines = item == ChequeItem::Words ? 2 : 1;
        drawLines(painter, fit(text, layout.place(item).fontSize, maxLines, box, *painter.device(), pixelsPerMm), box);
    }
    painter.restore();
}

void paintCalibration(QPainter &painter, const ChequeLayout &layout, double pixelsPerMm)
{
    painter.save();
    const double w = layout.leafWidth * pixelsPerMm;
    const double h = layout.leafHeight * pixelsPerMm;
    const QPaintDevice &device = *painter.device();
    // The grid is measured from the top right corner, as the layout's numbers are.
    const QPen fine(QColor(200, 200, 200), 0.05 * pixelsPerMm);
    const QPen five(QColor(140, 140, 140), 0.1 * pixelsPerMm);
    const QPen ten(QColor(60, 60, 60), 0.15 * pixelsPerMm);
    for (int mm = 0; mm <= int(layout.leafWidth); ++mm) {
        painter.setPen(mm % 10 == 0 ? ten : mm % 5 == 0 ? five : fine);
        const double x = w - mm * pixelsPerMm;
        painter.drawLine(QPointF(x, 0), QPointF(x, h));
    }
    for (int mm = 0; mm <= int(layout.leafHeight); ++mm) {
        painter.setPen(mm % 10 == 0 ? ten : mm % 5 == 0 ? five : fine);
        painter.drawLine(QPointF(0, mm * pixelsPerMm), QPointF(w, mm * pixelsPerMm));
    }
    painter.setPen(QPen(Qt::black, 0.3 * pixelsPerMm));
    painter.drawRect(QRectF(0, 0, w, h));

    QFont small = itemFont(6, device, pixelsPerMm);
    painter.setFont(small);
    painter.setPen(QColor(60, 60, 60));
    for (int mm = 10; mm < int(layout.leafWidth); mm += 10)
        painter.drawText(QRectF(w - mm * pixelsPerMm - 5 * pixelsPerMm, 0.5 * pixelsPerMm, 10 * pixelsPerMm,
                                3 * pixelsPerMm),
                         Qt::AlignCenter, QString::number(mm));
    for (int mm = 10; mm < int(layout.leafHeight); mm += 10)
        painter.drawText(QRectF(w - 6 * pixelsPerMm, mm * pixelsPerMm - 1.5 * pixelsPerMm, 5.5 * pixelsPerMm,
                                3 * pixelsPerMm),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(mm));

    painter.setFont(itemFont(7, device, pixelsPerMm));
    for (int i = 0; i < chequeItemCount; ++i) {
        const QRectF box = inPixels(layout.box(ChequeItem(i)), pixelsPerMm);
        painter.setPen(QPen(QColor(0, 70, 180), 0.3 * pixelsPerMm));
        painter.drawRect(box);
        QTextOption option(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
        option.setTextDirection(Qt::RightToLeft);
        Printing::drawText(painter, box.adjusted(0.8 * pixelsPerMm, 0, -0.8 * pixelsPerMm, 0), chequeItemCaption(ChequeItem(i)),
                         option);
    }
    painter.setPen(Qt::black);
    QTextOption option(Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignBottom);
    option.setTextDirection(Qt::RightToLeft);
    Printing::drawText(painter, QRectF(2 * pixelsPerMm, 0, w - 4 * pixelsPerMm, h - 1.5 * pixelsPerMm),
                     QStringLiteral("معايرة: ") + layout.name, option);
    painter.restore();
}

bool printCheque(QWidget *parent, const ChequeLayout &layout, const ChequeTexts &texts)
{
    return printOnLeaf(parent, layout, QStringLiteral("شيك"),
                       [&](QPainter &painter, double mm) { paintCheque(painter, layout, texts, mm); });
}

bool printCalibration(QWidget *parent, const ChequeLayout &layout)
{
    return printOnLeaf(parent, layout, QStringLiteral("معايرة الشيك"),
                       [&](QPainter &painter, double mm) { paintCalibration(painter, layout, mm); });
}

} // namespace dalil
