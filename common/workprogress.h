// A long piece of work's progress, out of 1000, in a window over its frame. The window is
// modal to the frame, so that nothing else writes while the work runs, and the windows keep
// painting at every step.
#pragma once

#include <QProgressDialog>
#include <QString>

class QWidget;

namespace dalil {

class WorkProgress
{
public:
    enum class Stop { Allowed, NotAllowed }; // whether a button stops the work
    WorkProgress(QWidget *parent, const QString &name, const QString &title, const QString &label,
                 Stop stop = Stop::Allowed);
    // done out of total; false once the user asked to stop.
    bool update(qint64 done, qint64 total);
    // Hides the window before the work's outcome is told.
    void close() { m_dialog.reset(); }

private:
    QProgressDialog m_dialog;
};

} // namespace dalil
