// The windows the file menu's commands share: Qt's own file window (the same in every
// desktop, right to left).
#pragma once

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


} // namespace dalil::FileWindows
