// data/ reaches no widget.
#include <QWidget>
