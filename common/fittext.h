// Captions that must stand whole in the box the design gives them.
#pragma once

#include <QFontMetrics>
#include <QLabel>
#include <QStyle>

namespace dalil {

// The label's face a little smaller, down to 6 points, where its text is wider than the
// label: the free faces standing in for the design's run wider than the ones it was drawn for.
inline void shrinkToFit(QLabel *label, const QString &text)
{
    QFont font = label->font();
    const int room = label->contentsRect().width() - 2 * label->margin();
    if (room <= 0)
        return;
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(text) > room)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    label->setFont(font);
}

// The label's box grown to its text where the text is wider or taller than the box: from the
// side the text is aligned to, so that it stays where the design put it. Boxes only grow, so
// that a caption that changes as the clock ticks keeps still.
inline void growToFit(QLabel *label)
{
    const QSize needed = label->sizeHint();
    QRect at = label->geometry();
    if (needed.width() > at.width()) {
        const int grow = needed.width() - at.width();
        const Qt::Alignment side = QStyle::visualAlignment(label->layoutDirection(), label->alignment());
        at.setLeft(at.left() - ((side & Qt::AlignRight) ? grow : (side & Qt::AlignHCenter) ? grow / 2 : 0));
        at.setWidth(needed.width());
    }
    if (needed.height() > at.height()) {
        at.setTop(at.top() - (needed.height() - at.height()) / 2);
        at.setHeight(needed.height());
    }
    label->setGeometry(at);
}

} // namespace dalil
