#include "dbgrid.h"

#include "celldelegate.h"
#include "datacontrol.h"
#include "focusmark.h"
#include "twips.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QProxyStyle>
#include <QStyle>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>
#include <optional>

namespace dalil {

// What the grid adds to its record source: column captions and alignment set by the
// windows, and the record selector's arrow on the current row. A refresh clears them.
class GridModel : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QHash<int, QString> captions;
    QHash<int, DBGrid::Alignment> alignments;
    QHash<int, int> widths; // twips as set, so that a width reads back as it was given
    bool recordSelectors = true;
    int currentRow = -1;
    QHeaderView *header = nullptr;

    // The heading face at its size, or a little smaller where a word of a caption is wider
    // than its column: headings wrap between words and are never cut inside one. All the
    // headings of the grid share the size the tightest of them needs.
    QFont headingFont() const
    {
        if (cachedHeadingFont)
            return *cachedHeadingFont;
        QFont font = header->font();
        const int margins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin) + 1;
        const auto fits = [this, margins](const QFont &f) {
            const QFontMetrics metrics(f);
            for (int section = 0; section < header->count(); ++section) {
                if (header->isSectionHidden(section) || header->sectionSize(section) <= margins)
                    continue;
                const int room = header->sectionSize(section) - margins;
                const QString caption = headerData(section, Qt::Horizontal, Qt::DisplayRole).toString();
                for (const QString &word : caption.split(u' ', Qt::SkipEmptyParts)) {
                    if (metrics.horizontalAdvance(word) > room)
                        return false;
                }
            }
            return true;
        };
        while (font.pointSizeF() > 6 && !fits(font))
            font.setPointSizeF(font.pointSizeF() - 0.25);
        cachedHeadingFont = font;
        return font;
    }
    mutable std::optional<QFont> cachedHeadingFont;

    void clearLayout()
    {
        captions.clear();
        alignments.clear();
        widths.clear();
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::TextAlignmentRole) {
            switch (alignments.value(index.column(), DBGrid::Alignment::Left)) {
            case DBGrid::Alignment::Right:
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            case DBGrid::Alignment::Center:
                return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
            case DBGrid::Alignment::Left:
                return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
            }
        }
        return QIdentityProxyModel::data(index, role);
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && captions.contains(section))
            return captions.value(section);
        if (orientation == Qt::Horizontal && role == Qt::FontRole && header)
            return headingFont();
        if (orientation == Qt::Vertical) {
            if (role == Qt::DisplayRole)
                return (recordSelectors && section == currentRow) ? QStringLiteral("◀") : QString();
            return {};
        }
        return QIdentityProxyModel::headerData(section, orientation, role);
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        // Read-only: no editing, adding or deleting inside the grid.
        return QIdentityProxyModel::flags(index) & ~Qt::ItemIsEditable;
    }

    // A caption or width changed: the shared heading size may change with it.
    void headerChanged()
    {
        cachedHeadingFont.reset();
        if (columnCount() > 0)
            emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    }
};

namespace {

// Headings with a pixel of margin rather than the style's few: the narrow day and month
// columns of the design then keep their one word at a readable size.
class HeadingStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_HeaderMargin)
            return 1;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// The grid's table: read-only, and without the views' type-to-find, which walks every row
// looking for a match (minutes on a book of a million records).
class GridView : public QTableView
{
public:
    using QTableView::QTableView;
    void keyboardSearch(const QString &) override {}

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        // Ctrl+Home and Ctrl+End go to the first and last rows in the same column: the view's
        // own would also go to the first or last column, and scroll sideways to it (in a
        // right-to-left grid the last column stands at the far left, and the start of the
        // first would go out of sight).
        const QModelIndex moved = QTableView::moveCursor(action, modifiers);
        if ((action == MoveHome || action == MoveEnd) && (modifiers & Qt::ControlModifier) && moved.isValid()
            && currentIndex().isValid())
            return moved.siblingAtColumn(currentIndex().column());
        return moved;
    }
};

} // namespace

DBGrid::DBGrid(const QString &name, QWidget *parent)
    : QWidget(parent)
    , m_caption(new QLabel(this))
    , m_view(new GridView(this))
    , m_model(new GridModel(this))
{
    setObjectName(name);
    m_caption->setObjectName(QStringLiteral("caption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setAutoFillBackground(true);
    m_caption->setBackgroundRole(QPalette::Dark);
    m_caption->setForegroundRole(QPalette::BrightText);
    m_caption->setTextFormat(Qt::PlainText);

    m_view->setObjectName(QStringLiteral("view"));
    m_view->viewport()->installEventFilter(this);
    m_view->setModel(m_model);
    m_view->setItemDelegate(new CellDelegate(m_view));
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setWordWrap(false);
    // Tab and Shift+Tab go on to the window's next control rather than from cell to cell.
    m_view->setTabKeyNavigation(false);
    markFocus(m_view, FocusMarkShape::Row);
    // Fixed row heights: a million rows cost nothing to lay out.
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    m_view->verticalHeader()->setFixedWidth(twipsToPixels(255));
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_view->horizontalHeader()->setHighlightSections(false);
    auto *headingStyle = new HeadingStyle(QApplication::style()->name());
    headingStyle->setParent(m_view->horizontalHeader());
    m_view->horizontalHeader()->setStyle(headingStyle);
    // Long headings wrap onto a second line rather than being cut.
    m_view->horizontalHeader()->setDefaultAlignment(Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    m_defaultWidth = m_view->horizontalHeader()->defaultSectionSize();

    // Every list's grid: Kufi headings, plain cells, both with Arabic.
    QFont heading(QStringLiteral("Monotype Koufi"));
    heading.setPointSizeF(9.75);
    heading.setBold(true);
    setHeadingFont(heading);
    QFont cells(QStringLiteral("MS Sans Serif"));
    cells.setPointSizeF(8.25);
    setCellFont(cells);
    m_model->header = m_view->horizontalHeader();
    connect(m_view->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
        dragged(column);
        m_model->headerChanged();
        updateHorizontalBar();
    });
    // The rows on screen change: a value wider than its column may have come into sight.
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this, &DBGrid::measureRowsOnScreen);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &DBGrid::valuesChanged);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &DBGrid::measureRowsOnScreen);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &DBGrid::measureRowsOnScreen);
    // An empty grid has nothing to scroll sideways: its bar would only stand over the empty rows.
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &DBGrid::updateHorizontalBar);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &DBGrid::updateHorizontalBar);
    connect(m_model, &QAbstractItemModel::modelReset, this, &DBGrid::updateHorizontalBar);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &DBGrid::updateHorizontalBar);
    updateHorizontalBar();

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_caption);
    column->addWidget(m_view, 1);

    // However the highlight moves (mouse, arrow and page keys, the record selector), the record
    // it stands on is the current one.
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { rowClicked(current); });
    connect(m_view, &QTableView::pressed, this, &DBGrid::rowClicked);
    connect(m_view, &QTableView::activated, this, &DBGrid::rowClicked);
    // The view's own answer to the record selector looks for a column at the far edge, where a
    // right-to-left grid narrower than its view has none, and loses the highlight.
    connect(m_view->verticalHeader(), &QHeaderView::sectionPressed, this, [this](int row) {
        if (m_source)
            m_source->source()->setCurrentRow(row);
        sourceCurrentChanged();
    });
}

void DBGrid::setDataSource(DataControl *source)
{
    for (const QMetaObject::Connection &connection : std::as_const(m_sourceConnections))
        disconnect(connection);
    m_sourceConnections.clear();
    m_source = source;
    if (!source) {
        m_model->setSourceModel(nullptr);
        sourceRefreshed();
        return;
    }
    source->source()->setStandsOnFirstAfterResync(true);
    m_model->setSourceModel(source->source());
    m_sourceConnections = {
        connect(source->source(), &RecordSource::refreshed, this, &DBGrid::sourceRefreshed),
        connect(source->source(), &RecordSource::currentChanged, this, &DBGrid::sourceCurrentChanged),
        connect(source->source(), &RecordSource::resynced, this, &DBGrid::sourceResynced),
    };
    sourceRefreshed();
}

void DBGrid::setCaption(const QString &caption)
{
    m_caption->setText(caption);
}

QString DBGrid::Caption() const
{
    return m_caption->text();
}

void DBGrid::setRecordSelectors(bool shown)
{
    m_model->recordSelectors = shown;
    m_view->verticalHeader()->setVisible(shown);
}

void DBGrid::setHeadingFont(const QFont &font)
{
    m_view->horizontalHeader()->setFont(font);
    m_model->headerChanged();
    m_view->horizontalHeader()->setFixedHeight(QFontMetrics(font).lineSpacing() * 2 + 6);
    m_caption->setFont(font);
}

void DBGrid::setCellFont(const QFont &font)
{
    m_view->setFont(font);
    m_view->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 6);
}

void DBGrid::setWiderThanDesign(bool wider)
{
    if (wider == m_widerThanDesign)
        return;
    m_widerThanDesign = wider;
    layOutWidths();
}

bool DBGrid::eventFilter(QObject *watched, QEvent *event)
{
    // The view's room changes with the grid and with its vertical scroll bar.
    if (watched == m_view->viewport() && event->type() == QEvent::Resize) {
        if (m_widerThanDesign)
            layOutWidths();
        measureRowsOnScreen();
    }
    return QWidget::eventFilter(watched, event);
}

void DBGrid::setLongTextColumns(const QList<int> &columns)
{
    m_longTexts = columns;
    measureRowsOnScreen();
}

void DBGrid::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    measureRowsOnScreen();
}

void DBGrid::dragged(int column)
{
    // The user's own width stands until the list is read again.
    if (!m_layingOut && m_laidOut.contains(column))
        m_draggedByUser.insert(column);
}

void DBGrid::measureRowsOnScreen()
{
    const int rows = m_model->rowCount();
    // A view not yet laid out has no rows on screen: they are measured when it gets its room,
    // not the first two hundred of the list meanwhile.
    if (rows == 0 || m_view->viewport()->height() <= 0)
        return;
    const int first = qMax(0, m_view->rowAt(0));
    int last = m_view->rowAt(m_view->viewport()->height() - 1);
    if (last < 0)
        last = rows - 1;
    last = qMin(last, first + 200);
    // The room CellDelegate shows a text whole in: its padding each side and the grid line.
    const int padding = m_view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 1;
    const QFontMetricsF metrics(m_view->font());
    if (m_measuredFont != m_view->font() || m_measured.size() > 4096) {
        m_measured.clear();
        m_measuredFont = m_view->font();
    }
    const auto widthOf = [&](const QString &text) {
        auto known = m_measured.constFind(text);
        if (known == m_measured.constEnd())
            known = m_measured.insert(text, metrics.horizontalAdvance(text));
        return *known;
    };
    bool grew = false;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        if (m_longTexts.contains(column))
            continue;
        qreal widest = 0;
        for (int row = first; row <= last; ++row) {
            const QString text = CellDelegate::shownText(m_model->index(row, column).data().toString());
            if (!text.isEmpty())
                widest = qMax(widest, widthOf(text));
        }
        const int needed = widest > 0 ? int(std::ceil(widest)) + 2 * padding + (m_view->showGrid() ? 1 : 0) : 0;
        if (needed > m_widestOnScreen.value(column)) {
            m_widestOnScreen.insert(column, needed);
            grew = true;
        }
    }
    if (grew)
        layOutWidths();
}

void DBGrid::valuesChanged(const QModelIndex &, const QModelIndex &, const QList<int> &roles)
{
    // A column aligned anew shows the same texts.
    if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole) && !roles.contains(Qt::EditRole))
        return;
    measureRowsOnScreen();
}

void DBGrid::layOutWidths()
{
    QHeaderView *header = m_view->horizontalHeader();
    QMap<int, int> widths; // column, pixels
    int design = 0;
    for (auto it = m_model->widths.cbegin(); it != m_model->widths.cend(); ++it) {
        if (it.key() < header->count() && !m_draggedByUser.contains(it.key())) {
            widths.insert(it.key(), twipsToPixels(it.value()));
            design += twipsToPixels(it.value());
        }
    }
    if (widths.isEmpty())
        return;
    // Wider than its design, the view's width is shared in the design's proportions (a vertical
    // scroll bar may leave it a little narrower than the design); the last column set takes
    // what rounding leaves.
    int extra = m_view->viewport()->width() - design;
    if (!m_draggedByUser.isEmpty()) {
        // Beside the user's own widths the rest share what is left, but are never squeezed
        // for them: the grid scrolls sideways instead.
        for (const int column : std::as_const(m_draggedByUser))
            extra -= header->sectionSize(column);
        extra = qMax(0, extra);
    }
    if (m_widerThanDesign && extra != 0 && design > 0) {
        int given = 0;
        for (auto it = widths.begin(); it != widths.end(); ++it) {
            const int share = int(qint64(*it) * extra / design);
            *it += share;
            given += share;
        }
        widths.last() += extra - given;
    }
    // A number, a date or a name is shown whole; the long texts give up what that takes, each
    // down to a third of its width, in proportion to what each can give.
    int needed = 0;
    int spare = 0;
    for (auto it = widths.begin(); it != widths.end(); ++it) {
        if (m_longTexts.contains(it.key())) {
            spare += *it - *it / 3;
        } else if (const int widest = m_widestOnScreen.value(it.key()); widest > *it) {
            needed += widest - *it;
            *it = widest;
        }
    }
    if (needed > 0 && spare > 0) {
        const int given = qMin(needed, spare);
        int taken = 0;
        int lastLong = -1;
        for (auto it = widths.begin(); it != widths.end(); ++it) {
            if (m_longTexts.contains(it.key())) {
                const int take = int(qint64(*it - *it / 3) * given / spare);
                *it -= take;
                taken += take;
                lastLong = it.key();
            }
        }
        widths[lastLong] -= given - taken; // what rounding left, a pixel or two
    }
    m_layingOut = true;
    for (auto it = widths.cbegin(); it != widths.cend(); ++it) {
        header->resizeSection(it.key(), *it);
        m_laidOut.insert(it.key(), *it);
    }
    m_layingOut = false;
}

void DBGrid::updateHorizontalBar()
{
    m_view->setHorizontalScrollBarPolicy(m_model->rowCount() == 0 ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
}

QAbstractItemModel *DBGrid::model() const
{
    return m_model;
}

int DBGrid::columnCount() const
{
    return m_model->columnCount();
}

int DBGrid::Row() const
{
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid())
        return 0;
    const int top = qMax(0, m_view->rowAt(0));
    return qint16(current.row() - top); // the design's 16-bit row number
}

void DBGrid::sourceRefreshed()
{
    // Every refresh rebuilds the columns with default widths, alignment and captions.
    m_model->clearLayout();
    m_laidOut.clear();
    m_draggedByUser.clear();
    m_widestOnScreen.clear();
    QHeaderView *header = m_view->horizontalHeader();
    m_layingOut = true;
    for (int i = 0; i < header->count(); ++i)
        header->resizeSection(i, m_defaultWidth);
    m_layingOut = false;
    m_model->headerChanged();
    sourceCurrentChanged();
    measureRowsOnScreen();
}

void DBGrid::sourceResynced()
{
    // Read again because the file changed elsewhere: the columns keep the layout the window set.
    layOutWidths();
    sourceCurrentChanged();
    measureRowsOnScreen();
}

void DBGrid::sourceCurrentChanged()
{
    const int previous = m_model->currentRow;
    const qint64 row = m_source ? m_source->source()->currentRow() : -1;
    m_model->currentRow = int(row);
    if (previous >= 0 && previous < m_model->rowCount())
        emit m_model->headerDataChanged(Qt::Vertical, previous, previous);
    const QModelIndex index = row >= 0 ? m_model->index(int(row), qMax(0, m_view->currentIndex().column()))
                                       : QModelIndex();
    if (row >= 0)
        emit m_model->headerDataChanged(Qt::Vertical, int(row), int(row));
    // The highlight follows the record source: none while there is no current record.
    if (m_view->currentIndex() != index)
        m_view->setCurrentIndex(index);
}

void DBGrid::rowClicked(const QModelIndex &index)
{
    // A click in a row makes that record the current one.
    if (m_source && index.isValid() && index.row() != m_source->source()->currentRow())
        m_source->source()->setCurrentRow(index.row());
}

int DBGrid::Column::Width() const
{
    const int pixels = m_grid->m_view->horizontalHeader()->sectionSize(m_index);
    // The width the window set, however the grid shows it; a width the user dragged as dragged.
    const auto set = m_grid->m_model->widths.constFind(m_index);
    if (set != m_grid->m_model->widths.constEnd() && m_grid->m_laidOut.value(m_index, -1) == pixels)
        return *set;
    return pixelsToTwips(pixels);
}

void DBGrid::Column::setWidth(int width)
{
    if (m_index < 0 || m_index >= m_grid->columnCount())
        return;
    m_grid->m_model->widths.insert(m_index, width);
    m_grid->m_draggedByUser.remove(m_index);
    m_grid->layOutWidths();
}

DBGrid::Alignment DBGrid::Column::alignment() const
{
    return m_grid->m_model->alignments.value(m_index, Alignment::Left);
}

void DBGrid::Column::setAlignment(Alignment alignment)
{
    if (m_index < 0 || m_index >= m_grid->columnCount())
        return;
    m_grid->m_model->alignments.insert(m_index, alignment);
    const int rows = m_grid->m_model->rowCount();
    if (rows > 0)
        emit m_grid->m_model->dataChanged(m_grid->m_model->index(0, m_index),
                                          m_grid->m_model->index(rows - 1, m_index),
                                          {Qt::TextAlignmentRole});
}

QString DBGrid::Column::Caption() const
{
    return m_grid->m_model->headerData(m_index, Qt::Horizontal, Qt::DisplayRole).toString();
}

void DBGrid::Column::setCaption(const QString &caption)
{
    if (m_index < 0 || m_index >= m_grid->columnCount())
        return;
    m_grid->m_model->captions.insert(m_index, caption);
    m_grid->m_model->headerChanged();
}

} // namespace dalil
