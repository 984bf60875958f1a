// Dalil, the personal organiser.
#include "shell/program.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    dalil::start();
    return app.exec();
}
