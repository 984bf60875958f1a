// The windows the file menu's commands share: Qt's own file window (the same in every
// desktop, right to left) and a progress window with a button that stops the work.
#pragma once

#include <QProgressDialog>
#include <QString>

class QWidget;

namespace dalil::FileWindows {

struct Choice
{
    QString caption;
    QString filter;      // "vCard (*.vcf);;كل الملفات (*)"
    bool saving = false;
    QString proposed;    // a saving window's proposed name
    QString suffix;      // added to a saved name typed without one
    QString folder;      // where the window opens; the program's own folder when empty
};

// The file the user chooses, or an empty text when the window was closed.
QString choose(QWidget *parent, const Choice &choice);

// Work's progress out of 1000, with a button to stop it; the windows keep painting meanwhile.
class Progress
{
public:
    Progress(QWidget *parent, const QString &name, const QString &title, const QString &label);
    // done out of total; false once the user asked to stop.
    bool update(qint64 done, qint64 total);

private:
    QProgressDialog m_dialog;
};

} // namespace dalil::FileWindows
