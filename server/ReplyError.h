#pragma once

#include <QHttpServerResponder>
#include <QString>

#include <exception>

namespace molvena::server {

// A refusal that ends a request with a 4xx reply and a Danish message. Validation helpers and
// handlers throw it; the router turns it into the reply, so handlers stay straight-line code.
class ReplyError : public std::exception {
public:
    using Status = QHttpServerResponder::StatusCode;

    ReplyError(Status status, QString message) : m_status(status), m_message(std::move(message)) {}

    Status status() const { return m_status; }
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return "request refused"; }

private:
    Status m_status;
    QString m_message;
};

} // namespace molvena::server
