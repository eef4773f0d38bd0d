#include "PolkitWebProtectionInstaller.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <qcoro/qcoroprocess.h>

#include <chrono>

namespace molvena {

namespace {

// The helper's refusals and pkexec's own statuses.
constexpr int kUnsupportedSystem = 69;
constexpr int kDismissed = 126;
constexpr int kNotAuthorized = 127;
// An administrator may take a while to type the password.
constexpr std::chrono::minutes kPatience{5};

} // namespace

PolkitWebProtectionInstaller::PolkitWebProtectionInstaller(QStringList command)
    : m_command(std::move(command)) {}

QStringList PolkitWebProtectionInstaller::commandForThisBuild() {
#ifdef MOLVENA_ENVIRONMENT_DEPLOYMENT_ENABLED
    const QString direct =
        QProcessEnvironment::systemEnvironment().value(QStringLiteral("MOLVENA_DNS_HELPER_COMMAND"));
    if (!direct.isEmpty()) {
        return QProcess::splitCommand(direct);
    }
#endif
    return {QStringLiteral("pkexec"), QStringLiteral(MOLVENA_DNS_HELPER_PATH)};
}

QCoro::Task<WebProtectionInstaller::Outcome> PolkitWebProtectionInstaller::install() {
    return run(QStringLiteral("install"));
}

QCoro::Task<WebProtectionInstaller::Outcome> PolkitWebProtectionInstaller::remove() {
    return run(QStringLiteral("remove"));
}

QCoro::Task<WebProtectionInstaller::Outcome> PolkitWebProtectionInstaller::run(QString operation) {
    if (m_command.isEmpty()) {
        co_return Outcome{Outcome::Kind::failed, QStringLiteral("No helper command")};
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const bool started = co_await qCoro(process).start(m_command.first(), m_command.mid(1) << operation);
    if (!started) {
        co_return Outcome{Outcome::Kind::failed,
                          m_command.first() + QStringLiteral(": ") + process.errorString()};
    }
    if (!co_await qCoro(process).waitForFinished(kPatience)) {
        process.kill();
        process.waitForFinished(1000);
        co_return Outcome{Outcome::Kind::failed, QStringLiteral("The helper did not finish")};
    }
    const QString said = QString::fromUtf8(process.readAll()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit) {
        co_return Outcome{Outcome::Kind::failed, said};
    }
    switch (process.exitCode()) {
    case 0:
        co_return Outcome{Outcome::Kind::done, said};
    case kUnsupportedSystem:
        co_return Outcome{Outcome::Kind::unsupported, said};
    case kDismissed:
    case kNotAuthorized:
        co_return Outcome{Outcome::Kind::notApproved, said};
    default:
        co_return Outcome{Outcome::Kind::failed, said};
    }
}

} // namespace molvena
