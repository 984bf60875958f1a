// Text direction: Arabic reads right to left, while telephone numbers, e-mail addresses,
// dates and amounts are left-to-right runs even inside a right-to-left window.
#pragma once

#include <QString>

namespace dalil::Bidi {

// Whether the text holds a letter of a right-to-left script.
bool hasRightToLeftLetters(const QString &text);

// The text as a left-to-right run when it has no right-to-left letters, for display only:
// "+966 11 222 3333" must never read "3333 222 11 966+". Stored text is never changed.
QString displayText(const QString &text);

} // namespace dalil::Bidi
