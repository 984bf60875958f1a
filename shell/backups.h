// The file menu's backup and restore: the user chooses the file in Qt's own file window, the
// copy goes on behind a progress window, and the user is told, in Arabic, what came of it.
#pragma once

class QWidget;

namespace dalil::Backups {

void backUp(QWidget *parent);
void restore(QWidget *parent);

} // namespace dalil::Backups
