#pragma once

#include <QObject>

#include <memory>

namespace molvena {

// Deletes a network reply (or any QObject) through the event loop: a reply may still be delivering
// signals when the code that awaited it lets go, and deleting it there and then would crash.
struct LaterDeleter {
    void operator()(QObject* object) const {
        if (object != nullptr) {
            object->deleteLater();
        }
    }
};

// Owns an object that is deleted later when the owner goes.
template <typename T> using DeletedLater = std::unique_ptr<T, LaterDeleter>;

} // namespace molvena
