// The cells of a table as the grid shows them: each keeps its column's alignment on screen
// whatever the table's reading direction, a text without Arabic letters (a number, an
// address, a Latin name) reads left to right ("+966 11 222 3333", never "3333 222 11
// 966+"), a text a little wider than its room is not cut for the style's padding, and a
// value of several lines shows its first. What is stored is never changed. The grid and
// the import's preview use it.
#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

namespace dalil {

class CellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // A value as its cell shows it: of a value of several lines, the first line and "↵".
    static QString shownText(const QString &value);
    // A value as a printed row shows it: its lines, blank ones at its end left out, at most
    // `most` of them, the last followed by "↵" when more are left out. At least one line.
    static QStringList shownLines(const QString &value, int most);

    // A value its cell cuts, or shows only the first line of, is shown whole in a tooltip.
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

} // namespace dalil
