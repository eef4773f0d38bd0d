#pragma once

#include "ScriptedHttpServer.h"
#include "TaskTesting.h"
#include "FixedDeviceInfo.h"
#include "backend/APIClient.h"
#include "platform/DeviceInfo.h"

#include <QNetworkAccessManager>
#include <QtTest/QtTest>

#include <memory>

namespace molvena::test {

// A client wired to a scripted server on loopback: the API root at /api/, the block proxy at
// /shield_blocked on the same server, its own network access object.
struct LoopbackBackend {
    explicit LoopbackBackend(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000),
                             QString computerName = QStringLiteral("Annes MacBook"))
        : deviceInfo(std::move(computerName)),
          client(server.url(QStringLiteral("/api/")), server.url(QStringLiteral("/shield_blocked")), network,
                 timeout, deviceInfo) {}

    ScriptedHttpServer server;
    QNetworkAccessManager network;
    FixedDeviceInfo deviceInfo;
    APIClient client;
};

// A client whose API root and block proxy are a loopback port where nothing listens.
struct UnreachableBackend {
    UnreachableBackend()
        : port(ScriptedHttpServer::closedPort()),
          client(QUrl(QStringLiteral("http://127.0.0.1:%1/api/").arg(port)),
                 QUrl(QStringLiteral("http://127.0.0.1:%1/shield_blocked").arg(port)), network,
                 std::chrono::milliseconds(2000), deviceInfo) {}

    quint16 port;
    QNetworkAccessManager network;
    FixedDeviceInfo deviceInfo;
    APIClient client;
};

inline ScriptedReply reply(int status, QByteArray body, QByteArray contentType = "application/json") {
    return ScriptedReply{.status = status, .body = std::move(body), .contentType = std::move(contentType)};
}

// Describes a captured failure for test messages.
inline QByteArray describe(const std::exception_ptr& error) {
    if (!error) {
        return "no error";
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& failure) {
        return failure.what();
    } catch (...) {
        return "a non-standard exception";
    }
}

// Compares a captured outcome with what a table row expects: 0 no error, -1 a JSON syntax error,
// otherwise a BackendError with that code and message. Returns what differs, or nothing.
inline QByteArray mismatchedFailure(const std::exception_ptr& error, int expectedCode,
                                    const QString& expectedMessage) {
    if (expectedCode == 0) {
        return error ? "unexpected failure: " + describe(error) : QByteArray();
    }
    if (expectedCode == -1) {
        return errorAs<JsonSyntaxError>(error) ? QByteArray()
                                               : "expected a JSON syntax error, got " + describe(error);
    }
    const auto backendError = errorAs<BackendError>(error);
    if (!backendError || backendError->code() != expectedCode || backendError->message() != expectedMessage) {
        return QStringLiteral("expected BackendError %1 \"%2\", got ")
                   .arg(expectedCode)
                   .arg(expectedMessage)
                   .toUtf8() +
               describe(error);
    }
    return {};
}

} // namespace molvena::test
