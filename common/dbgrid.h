// The read-only data grid DBGrid1 of the list windows, bound to a record source: a caption
// bar, column headers, a record selector, and columns whose width (twips), alignment and
// caption the windows set after every refresh.
#pragma once

#include <QIdentityProxyModel>
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

private:
    void sourceRefreshed();
    void sourceCurrentChanged();
    void sourceResynced();
    void rowClicked(const QModelIndex &index);
    void updateHorizontalBar();

    QLabel *m_caption;
    QTableView *m_view;
    GridModel *m_model;
    DataControl *m_source = nullptr;
    // What setDataSource connected, undone when the source changes.
    QList<QMetaObject::Connection> m_sourceConnections;
    int m_defaultWidth;
};

} // namespace dalil
