// Captions that must stand whole in the box the design gives them.
#pragma once

#include <QFontMetrics>
#include <QLabel>

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

} // namespace dalil
