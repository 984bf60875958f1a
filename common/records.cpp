#include "records.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>

namespace dalil {

namespace {

class DoubleClickGuard : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick)
            return true;
        if (event->type() == QEvent::MouseButtonPress) {
            // By the events' own times, so that a queue of clicks delivered late still counts
            // as the double click it was.
            const quint64 at = static_cast<QMouseEvent *>(event)->timestamp();
            if (m_pressed && at >= m_last && at - m_last < quint64(QApplication::doubleClickInterval()))
                return true;
            m_pressed = true;
            m_last = at;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_pressed = false;
    quint64 m_last = 0;
};

} // namespace

void guardAgainstDoubleClicks(QAbstractButton *button)
{
    button->installEventFilter(new DoubleClickGuard(button));
}

} // namespace dalil
