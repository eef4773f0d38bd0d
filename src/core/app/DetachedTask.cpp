#include "DetachedTask.h"

#include <QtGlobal>

#include <exception>

namespace molvena {

namespace {

QCoro::Task<> reportEscapes(QCoro::Task<> task, QString what) {
    try {
        co_await std::move(task);
    } catch (const std::exception& error) {
        qWarning("%s ended with an unhandled error: %s", qPrintable(what), error.what());
    } catch (...) {
        qWarning("%s ended with an unhandled error", qPrintable(what));
    }
}

} // namespace

void startDetached(QCoro::Task<> task, QString what) {
    reportEscapes(std::move(task), std::move(what));
}

} // namespace molvena
