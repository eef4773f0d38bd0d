#include "LinuxDesktopSettings.h"

#include <QProcess>
#include <QStandardPaths>

namespace molvena {

namespace {

struct Candidate {
    const char* desktop; // nullptr: any desktop
    QStringList command;
};

QList<Candidate> candidates(LinuxDesktopSettings::Page page) {
    using Page = LinuxDesktopSettings::Page;
    if (page == Page::network) {
        return {
            {"GNOME", {QStringLiteral("gnome-control-center"), QStringLiteral("network")}},
            {"KDE", {QStringLiteral("systemsettings"), QStringLiteral("kcm_networkmanagement")}},
            {"KDE", {QStringLiteral("kcmshell5"), QStringLiteral("kcm_networkmanagement")}},
            {nullptr, {QStringLiteral("nm-connection-editor")}},
        };
    }
    return {
        {"KDE", {QStringLiteral("systemsettings"), QStringLiteral("kcm_autostart")}},
        {"KDE", {QStringLiteral("kcmshell5"), QStringLiteral("kcm_autostart")}},
        // GNOME keeps its startup programs in Ubuntu's "Startup Applications" or in Tweaks.
        {"GNOME", {QStringLiteral("gnome-session-properties")}},
        {"GNOME", {QStringLiteral("gnome-tweaks")}},
    };
}

} // namespace

LinuxDesktopSettings::Environment LinuxDesktopSettings::Environment::current() {
    return Environment{
        .desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
        .path = qEnvironmentVariable("PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts),
    };
}

LinuxDesktopSettings::LinuxDesktopSettings(Environment environment) : m_environment(std::move(environment)) {}

QStringList LinuxDesktopSettings::command(Page page) const {
    const QStringList desktops = m_environment.desktops.toUpper().split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const Candidate& candidate : candidates(page)) {
        if (candidate.desktop && !desktops.contains(QLatin1String(candidate.desktop))) {
            continue;
        }
        const QString program = QStandardPaths::findExecutable(candidate.command.first(), m_environment.path);
        if (!program.isEmpty()) {
            return QStringList{program} + candidate.command.mid(1);
        }
    }
    return {};
}

bool LinuxDesktopSettings::open(Page page) const {
    const QStringList found = command(page);
    return !found.isEmpty() && QProcess::startDetached(found.first(), found.mid(1));
}

} // namespace molvena
