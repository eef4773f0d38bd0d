#pragma once

#include "FixedDeviceInfo.h"
#include "ScriptedHttpServer.h"
#include "TaskTesting.h"
#include "backend/APIClient.h"

#include <QNetworkAccessManager>

#include <chrono>

namespace molvena::test {

// A client wired to a scripted server on loopback: the API root at /api/, the block proxy at /shield_blocked
// on the same server.
struct LoopbackBackend {
    explicit LoopbackBackend(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000),
                             const QString& computerName = QStringLiteral("Annes MacBook"))
        : deviceInfo(computerName),
          client(server.url(QStringLiteral("/api/")), server.url(QStringLiteral("/shield_blocked")), network,
                 timeout, deviceInfo) {}

    ScriptedHttpServer server;
    QNetworkAccessManager network;
    FixedDeviceInfo deviceInfo;
    APIClient client;
};

inline ScriptedReply reply(int status, QByteArray body, QByteArray contentType = "application/json") {
    return ScriptedReply{.status = status, .body = std::move(body), .contentType = std::move(contentType)};
}

// How an operation ended, as one comparable line: "ok", or "<domain> <code> <description>" of the error
// ("Decoding <code> <path>" for a decoding error, whose description is the parser's own).
inline QString outcomeText(const std::exception_ptr& error) {
    if (!error) {
        return QStringLiteral("ok");
    }
    if (const auto decoding = errorAs<DecodingError>(error)) {
        return QStringLiteral("Decoding %1 %2").arg(decoding->code()).arg(decoding->path());
    }
    if (errorAs<JsonSyntaxError>(error)) {
        return QStringLiteral("QJsonParseError");
    }
    if (const auto failure = errorAs<Error>(error)) {
        return QStringLiteral("%1 %2 %3")
            .arg(failure->domain())
            .arg(failure->code())
            .arg(failure->description());
    }
    return QString::fromUtf8(describe(error));
}

template <typename T> QString outcomeText(const TaskOutcome<T>& outcome) {
    return outcome.finished ? outcomeText(outcome.error) : QStringLiteral("unfinished");
}

} // namespace molvena::test
