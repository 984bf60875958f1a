#include "bidi.h"

#include <QList>


namespace dalil::Bidi {

bool hasRightToLeftLetters(const QString &text)
{
    for (const uint c : text.toUcs4()) {
        switch (QChar::direction(c)) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI:
            return true;
        default:
            break;
        }
    }
    return false;
}

} // namespace dalil::Bidi
