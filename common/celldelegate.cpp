#include "celldelegate.h"

#include "bidi.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <QtMath>
#include <QTextOption>
#include <QToolTip>

#include <algorithm>

namespace dalil {

namespace {

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar(0x2028) || c == QChar(0x2029);
}

int paddingOf(const QWidget *widget)
{
    const QStyle *style = widget ? widget->style() : QApplication::style();
    return style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
}

} // namespace

QString CellDelegate::shownText(const QString &value)
{
    const auto lineBreak = std::find_if(value.cbegin(), value.cend(), isLineBreak);
    if (lineBreak == value.cend())
        return value;
    return QStringView(value.cbegin(), lineBreak).trimmed().toString() + QStringLiteral(" ↵");
}

QStringList CellDelegate::shownLines(const QString &value, int most)
{
    QStringList lines;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= value.size(); ++i) {
        if (i < value.size() && !isLineBreak(value.at(i)))
            continue;
        // "\r\n" is one break.
        if (i < value.size() && value.at(i) == u'\n' && i > 0 && value.at(i - 1) == u'\r') {
            from = i + 1;
            continue;
        }
        lines << QStringView(value).mid(from, i - from).trimmed().toString();
        from = i + 1;
    }
    while (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() > most) {
        lines.resize(qMax(1, most));
        lines.last() += QStringLiteral(" ↵");
    }
    return lines;
}

bool CellDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                             const QModelIndex &index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString value = index.data(Qt::DisplayRole).toString();
    const QString shown = shownText(value);
    const qreal room = option.rect.width() - 2 * paddingOf(view);
    if (shown != value || QFontMetricsF(option.font).horizontalAdvance(shown) > room)
        QToolTip::showText(event->globalPos(), value, view, option.rect);
    else
        QToolTip::hideText();
    return true;
}

void CellDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->text = shownText(option->text);
    option->displayAlignment |= Qt::AlignAbsolute;
    // A cell without Arabic letters (a number, an address) reads left to right.
    if (!Bidi::hasRightToLeftLetters(option->text))
        option->direction = Qt::LeftToRight;
}

// The style's padding around a cell's text is wider than the grid needs: a text such as
// "+966 11 222 3333" that fits in its column with a pixel to spare each side is shown
// whole, and only a text wider than that is shortened.
//
// The style draws the cell without its text, which is laid out here once and drawn from
// that layout: the style would lay it out again to draw it, and a grid repaints a whole
// screen of cells at every search.
void CellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QWidget *widget = cell.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    const QString text = cell.text;
    cell.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    if (text.isEmpty())
        return;

    const QPalette::ColorGroup group = !(cell.state & QStyle::State_Enabled) ? QPalette::Disabled
                                     : (cell.state & QStyle::State_Active)   ? QPalette::Normal
                                                                             : QPalette::Inactive;
    const bool selected = cell.state & QStyle::State_Selected;
    const Qt::Alignment alignment = cell.displayAlignment;
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));

    QTextOption layoutOption(Qt::AlignLeft | Qt::AlignAbsolute);
    layoutOption.setTextDirection(cell.direction);
    layoutOption.setWrapMode(QTextOption::NoWrap);
    QTextLayout layout(text, cell.font, painter->device());
    layout.setTextOption(layoutOption);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(qreal(1 << 20));
    layout.endLayout();
    const qreal width = line.naturalTextWidth();
    const int padding = paddingOf(widget);
    const bool fitsPadded = width + 2 * padding <= cell.rect.width() || padding <= 1;
    const QRect room = fitsPadded ? cell.rect.adjusted(padding, 0, -padding, 0) : cell.rect.adjusted(1, 0, -1, 0);
    if (fitsPadded || width <= room.width()) {
        const QSize size(qCeil(width), qCeil(line.height()));
        const QRect placed = QStyle::alignedRect(cell.direction, alignment, size, room);
        painter->setClipRect(cell.rect, Qt::IntersectClip);
        line.draw(painter, placed.topLeft());
    } else {
        const QString shown = QFontMetricsF(cell.font).elidedText(text, cell.textElideMode, qreal(room.width()));
        QTextOption elided(QStyle::visualAlignment(cell.direction, alignment));
        elided.setTextDirection(cell.direction);
        elided.setWrapMode(QTextOption::NoWrap);
        painter->drawText(QRectF(room), shown, elided);
    }
    painter->restore();
}

} // namespace dalil
