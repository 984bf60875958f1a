// The sync's state in a list's status bar, in Arabic: the last sync, a sync going on, the last
// problem, conflicts waiting. Hidden while the sync is off. A click on it, while conflicts
// wait, opens the window where the user chooses (the shell says which).
#pragma once

#include <QLabel>

#include <functional>

namespace dalil {

class SyncStatus : public QLabel
{
    Q_OBJECT

public:
    SyncStatus(const QString &name, QWidget *bar);
    // What a click on the status does while conflicts wait.
    static void setConflictHandler(std::function<void()> handler);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void update();
};

} // namespace dalil
