// The sync reaches no widget.
#include <QWidget>
