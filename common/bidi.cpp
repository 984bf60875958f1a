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

QString displayText(const QString &text)
{
    if (text.isEmpty() || hasRightToLeftLetters(text))
        return text;
    // Left-to-right marks around the run: its digits and blanks resolve left to right,
    // while the cell or box keeps its own alignment.
    return QChar(0x200E) + text + QChar(0x200E);
}

} // namespace dalil::Bidi
