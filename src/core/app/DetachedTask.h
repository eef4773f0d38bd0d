#pragma once

#include <QString>

#include <qcoro/qcorotask.h>

namespace molvena {

// Lets a task run on that nobody awaits (a button's action, the start-up sequence). QCoro drops the
// exception of such a task without a word; here it is written as a warning instead. The task itself
// still guards its object with a QPointer after every co_await: the object may be gone by then.
void startDetached(QCoro::Task<> task, QString what);

} // namespace molvena
