#include "records.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
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

class EscapeCancels : public QObject
{
public:
    explicit EscapeCancels(QAbstractButton *cancel) : QObject(cancel), m_cancel(cancel) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && m_cancel->isEnabled()
                && m_cancel->isVisible()) {
                m_cancel->click();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QAbstractButton *m_cancel;
};

} // namespace

bool writeBeforeMove(QWidget *entry, DataControl *entryData)
{
    RecordSource *records = entryData->Recordset();
    const auto write = [records] { return records->writePending(); };
    return write() || settleRefusedWrite(entry, records, write);
}

bool settleRefusedWrite(QWidget *entry, RecordSource *records, const std::function<bool()> &retry)
{
    if (records->lastError().kind == DataError::Kind::Conflict) {
        const bool keep = MessageBoxes::keepMyChanges(entry, records->changedElsewhere());
        records->resolveConflict(keep);
        if (!keep || retry())
            return keep;
    }
    MessageBoxes::dataError(entry, records->lastError());
    return false;
}

void guardAgainstDoubleClicks(QAbstractButton *button)
{
    button->installEventFilter(new DoubleClickGuard(button));
}

void cancelWithEscape(QWidget *window, QAbstractButton *cancel)
{
    // Read as the key travels up from the control with the focus, which leaves Esc alone: a
    // control that uses Esc itself (the calendar's year box) keeps it.
    window->installEventFilter(new EscapeCancels(cancel));
}

void saveWithEnter(const QList<TextBox *> &boxes, QAbstractButton *save)
{
    for (TextBox *box : boxes) {
        QObject::connect(box, &TextBox::enterPressed, save, [save] {
            if (save->isEnabled() && save->isVisible())
                save->click();
        });
    }
}

} // namespace dalil
