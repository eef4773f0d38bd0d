#pragma once

#include <QUrl>

#include <functional>

namespace molvena {

// Tells whether this machine could reach the target at all. A failed name lookup only means
// "blocked" when it could: an offline machine fails every lookup too.
using OnlineCheck = std::function<bool(const QUrl& target)>;

// Loopback targets are always within reach; anything else needs an interface that is up and
// running, is not the loopback, and has an address that is more than link-local.
bool systemIsOnlineFor(const QUrl& target);

} // namespace molvena
