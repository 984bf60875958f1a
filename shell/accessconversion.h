// An older DB1.mdb kept by Microsoft Access, met at start: the question, the progress window
// that can stop the work, the records that cannot come over (Form17), and what came of it.
#pragma once

#include "data/exchange/access/conversion.h"

#include <functional>

class QWidget;

namespace dalil::AccessConversion {

// When DB1.mdb is an Access file: asks whether to convert it now, and converts it when the
// user agrees. `then` runs once the file is a book of Dalil's own; a No changes nothing and
// asks nothing more this run.
void offer(QWidget *parent, std::function<void()> then);
// From Form17: converts, the records it showed left out.
void convert(QWidget *parent, const QString &databasePath, const Access::Survey &survey);
// From Form17: the user stopped; the file stays as it was.
void stopped();

} // namespace dalil::AccessConversion
