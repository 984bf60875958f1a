#include "twips.h"

#include <QGuiApplication>
#include <QScreen>

namespace dalil {

qreal logicalDpi()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

int twipsToPixels(int twips)
{
    return qRound(twips * logicalDpi() / twipsPerInch);
}

int pixelsToTwips(int pixels)
{
    return qRound(pixels * twipsPerInch / logicalDpi());
}

} // namespace dalil
