// A frame over a list, a grid or a calendar while it has the keyboard, around its current
// row or cell (the whole view while nothing is current), moving as the keys move it: the
// style's own mark is too faint to see, or missing, on these views.
#pragma once

class QAbstractItemView;

namespace dalil {

enum class FocusMarkShape { Cell, Row };

void markFocus(QAbstractItemView *view, FocusMarkShape shape);

} // namespace dalil
