#include "LinuxDeviceInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QSysInfo>

namespace molvena {

LinuxDeviceInfo::LinuxDeviceInfo(QString machineInfoPath) : m_machineInfoPath(std::move(machineInfoPath)) {}

QString LinuxDeviceInfo::computerName() const {
    QFile machineInfo(m_machineInfoPath);
    if (machineInfo.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!machineInfo.atEnd()) {
            const QString line = QString::fromUtf8(machineInfo.readLine()).trimmed();
            if (line.startsWith(QLatin1String("PRETTY_HOSTNAME="))) {
                QString value = line.mid(int(qstrlen("PRETTY_HOSTNAME=")));
                if (value.size() >= 2 &&
                    (value.startsWith(QLatin1Char('"')) || value.startsWith(QLatin1Char('\'')))) {
                    value = value.mid(1, value.size() - 2);
                }
                if (!value.trimmed().isEmpty()) {
                    return value;
                }
            }
        }
    }
    return QSysInfo::machineHostName();
}

QString LinuxDeviceInfo::bundlePath() const {
    return QCoreApplication::applicationDirPath();
}

std::optional<QString> LinuxDeviceInfo::bundleIdentifier() const {
    return QStringLiteral(MOLVENA_BUNDLE_IDENTIFIER);
}

std::optional<QString> LinuxDeviceInfo::shortVersion() const {
    return QStringLiteral(MOLVENA_VERSION);
}

std::optional<QString> LinuxDeviceInfo::buildVersion() const {
    return QStringLiteral(MOLVENA_BUILD_NUMBER);
}

} // namespace molvena
