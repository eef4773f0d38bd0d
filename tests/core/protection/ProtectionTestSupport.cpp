#include "ProtectionTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTcpSocket>
#include <QtTest/QtTest>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace molvena::test {

SwitchableSite::SwitchableSite(QHostAddress address, quint16 port, QObject* parent)
    : QObject(parent), m_address(std::move(address)), m_port(port) {
    connect(&m_server, &QTcpServer::newConnection, this, &SwitchableSite::onNewConnection);
    setBlocked(false);
    m_port = m_server.serverPort();
}

QUrl SwitchableSite::url() const {
    return QUrl(QStringLiteral("http://%1:%2/").arg(m_address.toString()).arg(m_port));
}

void SwitchableSite::setBlocked(bool blocked) {
    if (blocked) {
        m_server.close();
    } else if (!m_server.isListening() && !m_server.listen(m_address, m_port)) {
        qFatal("SwitchableSite could not listen: %s", qPrintable(m_server.errorString()));
    }
}

void SwitchableSite::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            const QByteArray head = socket->peek(65536);
            if (socket->property("answered").toBool() || !head.contains("\r\n\r\n")) {
                return;
            }
            socket->readAll();
            socket->setProperty("answered", true);
            ++m_requestCount;
            for (const QByteArray& line : head.split('\n')) {
                if (line.toLower().startsWith("host:")) {
                    m_lastHost = line.mid(5).trimmed();
                }
            }
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
        });
    }
}

const QStringList StandInResolver::defaultBlockedNames = {
    QStringLiteral("canary.molvena.test"), QStringLiteral("www.danskespil.test"),
    QStringLiteral("www.bet365.test"), QStringLiteral("www.unibet.test")};

StandInResolver::StandInResolver(bool blocking, QStringList blockedNames)
    : m_state(std::make_shared<State>(State{blocking, std::move(blockedNames)})) {}

namespace {

QCoro::Task<HostLookupResult> answerAsStandIn(bool doesNotExist) {
    if (doesNotExist) {
        co_return HostLookupResult{HostLookupResult::Outcome::nameDoesNotExist, {}, {}};
    }
    co_return HostLookupResult{
        HostLookupResult::Outcome::resolved, {QHostAddress(QHostAddress::LocalHost)}, {}};
}

} // namespace

HostLookup StandInResolver::lookup() const {
    return [state = m_state](QString host, std::chrono::milliseconds) {
        const QString name = host.toLower();
        const bool listed = std::any_of(
            state->blockedNames.cbegin(), state->blockedNames.cend(), [&](const QString& blocked) {
                return name == blocked || name.endsWith(QLatin1Char('.') + blocked);
            });
        return answerAsStandIn(state->blocking && listed);
    };
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& contents) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    file.write(contents);
}

CommandResult runCommand(const QString& program, const QStringList& arguments, int timeoutMs) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {-1, QStringLiteral("timed out: ") + QString::fromLocal8Bit(process.readAll())};
    }
    const int code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {code, QString::fromLocal8Bit(process.readAll())};
}

void ip(const QString& arguments) {
    const CommandResult result = runCommand(QStringLiteral("ip"), arguments.split(QLatin1Char(' ')));
    QVERIFY2(result.exitCode == 0,
             qPrintable(QStringLiteral("ip ") + arguments + QStringLiteral(": ") + result.output));
}

void setNameServer(const QString& address) {
    // Written in place: the C library notices the change at the next lookup.
    writeFile(QStringLiteral("/etc/resolv.conf"),
              QStringLiteral("nameserver %1\noptions timeout:1 attempts:1\n").arg(address).toLatin1());
}

const QList<std::pair<QString, QString>> kNamespaceSites = {
    {QStringLiteral("canary.molvena.test"), QStringLiteral("10.77.0.10")},
    {QStringLiteral("www.danskespil.test"), QStringLiteral("10.77.0.11")},
    {QStringLiteral("www.bet365.test"), QStringLiteral("10.77.0.12")},
    {QStringLiteral("www.unibet.test"), QStringLiteral("10.77.0.13")},
};

QString unboundConfiguration(const QString& address, const QString& folder, const QString& more) {
    return QStringLiteral("server:\n  interface: %1\n  do-daemonize: no\n  username: \"\"\n  chroot: \"\"\n"
                          "  directory: \"%2\"\n  pidfile: \"\"\n  use-syslog: no\n  verbosity: 0\n"
                          "  access-control: 0.0.0.0/0 allow\n  module-config: \"iterator\"\n")
               .arg(address, folder) +
           more;
}

void startUnbound(QProcess& unbound, const QString& path, const QString& configuration) {
    writeFile(path, configuration.toUtf8());
    unbound.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    unbound.start(QStringLiteral("unbound"), {QStringLiteral("-d"), QStringLiteral("-c"), path});
    QVERIFY(unbound.waitForStarted());
}

namespace {

const char* const kNamespaceVariable = "MOLVENA_TEST_NAMESPACE";
const QString kNamespacePrefix = QStringLiteral("molvena-test-");

// Namespaces left behind by a run that was killed before it could clean up.
void removeAbandonedNamespaces() {
    const CommandResult list =
        runCommand(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("list")});
    for (const QString& line : list.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString name = line.section(QLatin1Char(' '), 0, 0);
        if (name.startsWith(kNamespacePrefix) &&
            !QFileInfo::exists(QStringLiteral("/proc/") + name.mid(kNamespacePrefix.size()))) {
            runCommand(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), name});
            QDir(QStringLiteral("/etc/netns/") + name).removeRecursively();
        }
    }
}

// Creates the namespace, runs this program again inside it and passes on what it printed.
class NamespaceLauncher : public QObject {
    Q_OBJECT
private slots:
    void runInsideOwnNetworkNamespace() {
        if (::geteuid() != 0) {
            QSKIP("Building a network namespace needs root (CI runs as root).");
        }
        removeAbandonedNamespaces();
        const QString name = kNamespacePrefix + QString::number(QCoreApplication::applicationPid());
        const QString etc = QStringLiteral("/etc/netns/") + name;
        writeFile(etc + QStringLiteral("/resolv.conf"), {});
        // Present before "ip netns exec", so that the test may write its own hosts lines.
        writeFile(etc + QStringLiteral("/hosts"), "127.0.0.1 localhost\n");
        const CommandResult created =
            runCommand(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("add"), name});
        const auto cleanUp = qScopeGuard([&] {
            runCommand(QStringLiteral("ip"), {QStringLiteral("netns"), QStringLiteral("del"), name});
            QDir(etc).removeRecursively();
        });
        QVERIFY2(created.exitCode == 0, qPrintable(created.output));

        const CommandResult inside = runCommand(
            QStringLiteral("ip"),
            QStringList{QStringLiteral("netns"), QStringLiteral("exec"), name, QStringLiteral("env"),
                        QString::fromLatin1(kNamespaceVariable) + QLatin1Char('=') + name,
                        QCoreApplication::applicationFilePath()} +
                QCoreApplication::arguments().mid(1),
            240000);
        std::fputs(qPrintable(inside.output), stdout);
        QVERIFY2(inside.exitCode == 0, "the part inside the namespace failed (its output is above)");
    }
};

} // namespace

int runInOwnNetworkNamespace(int argc, char** argv, QObject& inside) {
    if (qEnvironmentVariableIsSet(kNamespaceVariable)) {
        return QTest::qExec(&inside, argc, argv);
    }
    NamespaceLauncher launcher;
    return QTest::qExec(&launcher, 1, argv);
}

} // namespace molvena::test

#include "ProtectionTestSupport.moc"
