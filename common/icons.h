// The program's icons: the start window's and one per book (32 and 16 pixels, 16 colours).
#pragma once

#include <QIcon>

namespace dalil::Icons {

QIcon start();
QIcon phone();
QIcon appointment();
QIcon cheque();

} // namespace dalil::Icons
