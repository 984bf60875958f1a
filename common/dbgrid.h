// The read-only data grid DBGrid1 of the list windows, bound to a record source: a caption
// bar, column headers, a record selector, and columns whose width (twips), alignment and
// caption the windows set after every refresh. On screen the columns share a grid wider
// than its design in the design's proportions, and every column but a long text's is at
// least as wide as its widest value on screen.
#pragma once

#include <QFont>
#include <QHash>
#include <QIdentityProxyModel>
#include <QSet>
#include <QWidget>

class QLabel;
#include <QTableView>

namespace dalil {

class DataControl;
class GridModel;

class DBGrid : public QWidget
{
    Q_OBJECT

public:
    // A column's alignment, as the design sets it.
    enum class Alignment { Left, Right, Center };
    Q_ENUM(Alignment)

    DBGrid(const QString &name, QWidget *parent);

    void setDataSource(DataControl *source);
    void setCaption(const QString &caption);
    QString Caption() const;
    void setRecordSelectors(bool shown);
    void setHeadingFont(const QFont &font);
    void setCellFont(const QFont &font);

    // Whether the grid stands wider than its design: the columns the window set then share
    // the whole width of the view in their design proportions. At its design size they keep
    // the widths set.
    void setWiderThanDesign(bool wider);
    // The columns (counted from 0) that hold long texts: an address, a note, a reason. They
    // give up room, and are cut with "…", so that every other column shows its longest value
    // on screen whole (a telephone number, a date, an amount). Kept across refreshes.
    void setLongTextColumns(const QList<int> &columns);

    // One entry of the grid's Columns collection, counted from 0.
    class Column
    {
    public:
        int Width() const; // twips
        void setWidth(int twips);
        Alignment alignment() const;
        void setAlignment(Alignment alignment);
        QString Caption() const;
        void setCaption(const QString &caption);

    private:
        friend class DBGrid;
        Column(DBGrid *grid, int index) : m_grid(grid), m_index(index) {}
        DBGrid *m_grid;
        int m_index;
    };
    // Fails (returns false from every setter) when the column does not exist.
    Column Columns(int index) { return Column(this, index); }
    int columnCount() const;

    // Number of the current row among the rows on screen, 0 for the top row shown.
    int Row() const;

    QTableView *view() const { return m_view; }
    QAbstractItemModel *model() const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void sourceRefreshed();
    void sourceCurrentChanged();
    void sourceResynced();
    void rowClicked(const QModelIndex &index);
    void updateHorizontalBar();
    // Gives every column the window set its width on screen: its design width stretched,
    // widened to its longest value on screen, long texts giving up the room.
    void layOutWidths();
    // Notes the widest value on screen of each column that is never cut; lays the columns
    // out again when one grew.
    void measureRowsOnScreen();
    void valuesChanged(const QModelIndex &, const QModelIndex &, const QList<int> &roles);
    void dragged(int column);

    QLabel *m_caption;
    QTableView *m_view;
    GridModel *m_model;
    DataControl *m_source = nullptr;
    // What setDataSource connected, undone when the source changes.
    QList<QMetaObject::Connection> m_sourceConnections;
    int m_defaultWidth;
    bool m_widerThanDesign = false;
    QList<int> m_longTexts;
    QHash<int, int> m_widestOnScreen; // pixels, per column; since the last refresh
    // Texts already measured in the cells' font: a list shown, laid out and scrolled measures
    // the same rows again at every step.
    QHash<QString, qreal> m_measured;
    QFont m_measuredFont;
    QHash<int, int> m_laidOut;        // pixels the grid gave each column it laid out
    QSet<int> m_draggedByUser;        // since the last refresh
    bool m_layingOut = false;
};

} // namespace dalil
