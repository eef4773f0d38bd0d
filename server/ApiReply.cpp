#include "ApiReply.h"

#include <QJsonDocument>

namespace molvena::server {

QHttpServerResponse ApiReply::json(const QJsonObject& object, Status status) {
    QHttpServerResponse response(QByteArrayLiteral("application/json; charset=utf-8"),
                                 QJsonDocument(object).toJson(QJsonDocument::Compact), status);
    response.addHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
    return response;
}

QHttpServerResponse ApiReply::success(QJsonObject members) {
    members.insert(QStringLiteral("success"), true);
    return json(members);
}

QHttpServerResponse ApiReply::error(Status status, const QString& message) {
    return json(QJsonObject{{QStringLiteral("success"), false}, {QStringLiteral("error"), message}}, status);
}

} // namespace molvena::server
