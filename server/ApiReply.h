#pragma once

#include <QHttpServerResponse>
#include <QJsonObject>
#include <QString>

namespace molvena::server {

// The reply shapes every endpoint shares: JSON with UTF-8, `success` flags, Danish errors.
class ApiReply {
public:
    using Status = QHttpServerResponder::StatusCode;

    static QHttpServerResponse json(const QJsonObject& object, Status status = Status::Ok);
    // {"success": true} plus the given members.
    static QHttpServerResponse success(QJsonObject members = {});
    // {"success": false, "error": message}
    static QHttpServerResponse error(Status status, const QString& message);
};

} // namespace molvena::server
