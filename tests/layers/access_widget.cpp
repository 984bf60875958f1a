// The Access reader reaches no widget.
#include <QWidget>
