// Text direction: Arabic reads right to left, while telephone numbers, e-mail addresses,
// dates and amounts are left-to-right runs even inside a right-to-left window
// ("+966 11 222 3333" must never read "3333 222 11 966+"); stored text is never changed.
#pragma once

#include <QString>

namespace dalil::Bidi {

// Whether the text holds a letter of a right-to-left script.
bool hasRightToLeftLetters(const QString &text);

// The text as a left-to-right run isolated from what stands around it: a path, a pattern
// such as "(*.mdb)" or a number keeps its order inside an Arabic line.
inline QString leftToRight(const QString &text)
{
    return QChar(0x2066) + text + QChar(0x2069);
}

} // namespace dalil::Bidi
