#include "workprogress.h"

#include <QCoreApplication>

namespace dalil {

WorkProgress::WorkProgress(QWidget *parent, const QString &name, const QString &title, const QString &label, Stop stop)
    : m_dialog(label, stop == Stop::Allowed ? QStringLiteral("إلغاء") : QString(), 0, 1000, parent)
{
    m_dialog.setObjectName(name);
    m_dialog.setWindowTitle(title);
    m_dialog.setWindowModality(Qt::WindowModal);
    if (stop == Stop::NotAllowed)
        m_dialog.setCancelButton(nullptr);
    m_dialog.setMinimumDuration(300);
    // Full while the last step (a sync, a commit) ends the work: a dialog reset at its maximum
    // would be hidden and shown again at every turn of it.
    m_dialog.setAutoReset(false);
}

bool WorkProgress::update(qint64 done, qint64 total)
{
    m_dialog.setValue(total > 0 ? int(qMin(done, total) * 1000 / total) : 0);
    QCoreApplication::processEvents();
    return !m_dialog.wasCanceled();
}

} // namespace dalil
