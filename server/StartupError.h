#pragma once

#include <QString>

#include <stdexcept>

namespace molvena::server {

// Why a server could not start (database, data folder, port); main() prints it and exits.
class StartupError : public std::runtime_error {
public:
    explicit StartupError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

} // namespace molvena::server
