#include "ResolverConfiguration.h"

#include <QProcess>
#include <QSaveFile>

namespace molvena::server {

ResolverConfiguration::ResolverConfiguration(QString includeFile, QStringList reloadCommand)
    : m_includeFile(std::move(includeFile)), m_reloadCommand(std::move(reloadCommand)) {}

QByteArray ResolverConfiguration::unboundZones(const QStringList& domains) {
    QByteArray text;
    text.reserve(qsizetype(domains.size()) * 48 + 16);
    text.append("server:\n");
    for (const QString& domain : domains) {
        // always_nxdomain also covers every subdomain and ignores any local data under it.
        text.append("local-zone: \"").append(domain.toLatin1()).append(".\" always_nxdomain\n");
    }
    return text;
}

QString ResolverConfiguration::apply(const QStringList& domains) const {
    if (!isEnabled()) {
        return {};
    }
    QSaveFile file(m_includeFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(unboundZones(domains)) < 0 || !file.commit()) {
        return QStringLiteral("cannot write %1: %2").arg(m_includeFile, file.errorString());
    }
    if (m_reloadCommand.isEmpty()) {
        return {};
    }
    QProcess reload;
    reload.setProcessChannelMode(QProcess::MergedChannels);
    reload.start(m_reloadCommand.first(), m_reloadCommand.mid(1));
    if (!reload.waitForFinished(60000) || reload.exitStatus() != QProcess::NormalExit ||
        reload.exitCode() != 0) {
        reload.kill();
        return QStringLiteral("resolver reload failed: %1")
            .arg(QString::fromLocal8Bit(reload.readAll()).trimmed());
    }
    return {};
}

} // namespace molvena::server
