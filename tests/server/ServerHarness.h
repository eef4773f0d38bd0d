#pragma once

#include "MolvenaServer.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPair>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariantList>

#include <functional>
#include <memory>

namespace molvena::test {

// A reference server started in-process on a free loopback port, with a fresh SQLite file in a
// temporary data folder and a clock the test moves by hand; on PostgreSQL instead (every table
// dropped first) in the suite's own database of the cluster MOLVENA_TEST_POSTGRESQL_CLUSTER names
// (ctest's *_postgresql runs) or at the connection string MOLVENA_TEST_POSTGRESQL.
class ServerHarness {
public:
    struct Reply {
        int status = 0;
        QByteArray body;
        QJsonObject json;                      // empty when the body is not a JSON object
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QString error() const { return json.value(QStringLiteral("error")).toString(); }
        bool succeeded() const { return status == 200 && json.value(QStringLiteral("success")) == true; }
    };
    using Fields = QList<QPair<QString, QString>>;
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    // `adjust` changes the options before the server starts (limits, time-outs, proxy mode).
    explicit ServerHarness(const std::function<void(server::ServerOptions&)>& adjust = {});
    ~ServerHarness();

    server::MolvenaServer& server() { return *m_server; }
    QUrl apiBase() const { return m_server->apiBase(); }
    QUrl blockProxy() const { return m_server->blockProxy(); }

    QDateTime now; // what the server's clock reads
    void advance(qint64 seconds) { now = now.addSecs(seconds); }

    // One request over real HTTP. `target` is an endpoint under /api/ ("count.php") or, starting with
    // "/", a path from the root; a query may follow it.
    Reply send(const QByteArray& method, const QString& target, const QByteArray& body = {},
               const QByteArray& contentType = "application/x-www-form-urlencoded; charset=utf-8",
               const Headers& headers = {});
    // A form POST, as nginx forwards it for the client `from` when given.
    Reply post(const QString& target, const Fields& fields, const QString& from = {}) {
        return send("POST", target, encode(fields), "application/x-www-form-urlencoded",
                    from.isEmpty() ? Headers{} : QList{qMakePair(QByteArray("X-Real-IP"), from.toUtf8())});
    }
    Reply get(const QString& target) { return send("GET", target); }
    // An action on the Mac's account (mac_account.php), an alert from the Mac, a relative's overview.
    Reply account(const QString& deviceToken, const QString& action, Fields more = {}) {
        more.prepend({QStringLiteral("device_token"), deviceToken});
        more.prepend({QStringLiteral("action"), action});
        return post(QStringLiteral("mac_account.php"), more);
    }
    Reply notify(const QString& deviceToken, const QString& reason) {
        return post(QStringLiteral("send_notification.php"),
                    {{"device_token", deviceToken}, {"reason", reason}});
    }
    Reply activity(const QString& pairingToken) {
        return get(QStringLiteral("relative_activity.php?token=") + pairingToken);
    }
    // As a browser sends it: with these headers (Origin, Cookie), following no redirect and keeping
    // no cookie of its own.
    Reply browse(const QByteArray& method, const QString& target, const Headers& headers,
                 const QByteArray& body = {});
    // A new connection to the server, connected (or failed after two seconds).
    std::unique_ptr<QTcpSocket> connection();
    // Requests written as they are, one after the other on one kept-alive connection, each after
    // the reply to the last and a pause; returns every reply.
    QByteArray raw(const QByteArrayList& requests, int pauseMilliseconds = 0);
    // Whether `reply` holds a whole response: headers and as much body as they announce.
    static bool complete(const QByteArray& reply);
    // A finished reply, read (and scheduled for deletion).
    static Reply read(QNetworkReply& reply);

    static QByteArray encode(const Fields& fields);
    static QString newDeviceToken();
    // The fields of a registration, and of a heartbeat from a Mac whose protection holds.
    static Fields registration(const QString& deviceToken, const QString& pairingCode, const QString& email,
                               const QString& pin = QStringLiteral("1111"),
                               const QString& name = QStringLiteral("X"));
    static Fields healthyHeartbeat(const QString& deviceToken);
    // The player `email` enters a recovery code on the Mac `deviceToken`.
    static Fields recoveryVerification(const QString& email, const QString& code, const QString& deviceToken);
    // The PostgreSQL connection string the environment asks for, empty for SQLite. Ends the test
    // program as skipped (77) when a cluster was asked for but PostgreSQL is not installed.
    static QString postgresqlUrl();

    // Rows of a query on a second connection to the same database file.
    QList<QVariantList> rows(const QString& sql);
    qint64 count(const QString& sql) { return rows(sql).first().first().toLongLong(); }
    // Every row of every table, for "nothing changed" checks.
    QString snapshot();

    QString outboxMessage(const QString& fileName) const;
    // The newest mail of `kind` (to `recipient` when given), or empty.
    QString newestMail(const QString& kind, const QString& recipient = {});
    // Follows the link of every confirmation mail of `kind` not followed yet, as its reader would;
    // returns how many were accepted.
    int confirmLinks(const QString& kind);
    int confirmRelatives() { return confirmLinks(QStringLiteral("relative_confirmation")); }
    // A relative links to the player with this code; returns the pairing token, empty if refused.
    QString linkRelative(const QString& pairingCode, const QString& email);
    // The six digits of the newest recovery e-mail to `email`, or empty.
    QString latestRecoveryCode(const QString& email);
    // Asks for the player's recovery code and enters it on the Mac, from the client `from` if given.
    Reply recoverPlayer(const QString& email, const QString& deviceToken, const QString& from = {});

    // A registered player (whose address the owner has confirmed): the device token and pairing code used.
    struct Player {
        QString deviceToken;
        QString pairingCode;
        QString pin;
        QString email;
    };
    Player registerPlayer(const QString& name = QStringLiteral("Anna"),
                          const QString& email = QStringLiteral("anna@example.dk"),
                          const QString& pairingCode = QStringLiteral("482917"),
                          const QString& pin = QStringLiteral("1234"));

private:
    QTemporaryDir m_folder;
    QStringList m_followedLinks;
    QNetworkAccessManager m_network;
    std::unique_ptr<server::MolvenaServer> m_server;
    std::unique_ptr<server::Database> m_reader; // a second connection, as a developer's SQL shell
};

} // namespace molvena::test
