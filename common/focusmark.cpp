#include "focusmark.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>

namespace dalil {

namespace {

// Drawn over the view's viewport, letting the mouse through to it.
class FocusMark : public QWidget
{
public:
    FocusMark(QAbstractItemView *view, FocusMarkShape shape)
        : QWidget(view->viewport())
        , m_view(view)
        , m_shape(shape)
    {
        setObjectName(QStringLiteral("focusMark"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(view->viewport()->rect());
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
        const auto follow = [this] { update(); };
        connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, follow);
        connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, follow);
        connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, follow);
        if (QAbstractItemModel *model = view->model()) {
            connect(model, &QAbstractItemModel::modelReset, this, follow);
            connect(model, &QAbstractItemModel::layoutChanged, this, follow);
            connect(model, &QAbstractItemModel::dataChanged, this, follow);
            connect(model, &QAbstractItemModel::rowsInserted, this, follow);
            connect(model, &QAbstractItemModel::rowsRemoved, this, follow);
        }
        if (auto *table = qobject_cast<QTableView *>(view)) {
            connect(table->horizontalHeader(), &QHeaderView::sectionResized, this, follow);
            connect(table->verticalHeader(), &QHeaderView::sectionResized, this, follow);
        }
        show();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            update();
            break;
        case QEvent::Resize:
            if (watched == m_view->viewport()) {
                setGeometry(m_view->viewport()->rect());
                raise();
            }
            break;
        default:
            break;
        }
        return QWidget::eventFilter(watched, event);
    }

    void paintEvent(QPaintEvent *) override
    {
        if (!m_view->hasFocus())
            return;
        const QModelIndex current = m_view->currentIndex();
        QRect mark = rect();
        if (current.isValid()) {
            mark = m_view->visualRect(current);
            if (m_shape == FocusMarkShape::Row)
                mark = QRect(0, mark.top(), width(), mark.height());
        }
        if (mark.isEmpty())
            return;
        QPainter painter(this);
        // The text's own colour, so that it shows on the highlight and off it alike.
        // Two pixels where the row is tall enough to take them without touching its text.
        QPen pen(palette().color(QPalette::Active, QPalette::WindowText), mark.height() >= 20 ? 2 : 1);
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(mark.adjusted(1, 1, -1, -1));
    }

private:
    QAbstractItemView *m_view;
    FocusMarkShape m_shape;
};

} // namespace

void markFocus(QAbstractItemView *view, FocusMarkShape shape)
{
    new FocusMark(view, shape);
}

} // namespace dalil
