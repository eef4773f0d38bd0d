#pragma once

#include <QObject>

#include <memory>

namespace molvena {

// A coroutine resumes inside a network reply's own "finished" signal, so neither the reply nor its
// network manager may be deleted there and then: they go once control is back in the event loop.
struct LaterDeleter {
    void operator()(QObject* object) const {
        if (object) {
            object->deleteLater();
        }
    }
};

template <typename T> using DeletedLater = std::unique_ptr<T, LaterDeleter>;

} // namespace molvena
