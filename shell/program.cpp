#include "program.h"

#include "form1.h"
#include "mdiform1.h"

#include "common/application.h"
#include "common/form.h"
#include "common/menustyle.h"

#include <QApplication>

namespace dalil {

namespace {

FormHost *createFrame()
{
    return MDIForm1::create();
}

void showStartWindow()
{
    Form1 *start = Forms::Load<Form1>();
    start->Show();
    start->setMaximized();
}

} // namespace

void setApplicationFolder(const QString &folder)
{
    setApplicationFolderPath(folder);
}

void start()
{
    installFontSubstitutions();
    installUserInterfaceLanguage();
    MenuStyle::install();
    QApplication::setLayoutDirection(Qt::RightToLeft);
    Forms::setHostFactory(&createFrame);
    Forms::setStartWindowHandler(&showStartWindow);
    // The program starts by creating the start window; being a child of the frame, it
    // brings the frame up first.
    showStartWindow();
}

void endProgram()
{
    if (MDIForm1 *frame = MDIForm1::instance())
        frame->end();
}

bool isRunning()
{
    return MDIForm1::instance() != nullptr;
}

} // namespace dalil
