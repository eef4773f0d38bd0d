#include "XdgAutostartLoginItem.h"

#include "app/Deployment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <QUrl>

namespace molvena {

namespace {

const QString kEntryGroup = QStringLiteral("[Desktop Entry]");

QString canonicalOrClean(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
}

// The string-level escapes of entry values (\s, \n, \t, \r, \\), applied before the Exec quoting rule.
QString unescapeValue(const QString& value) {
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            result += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's':
            result += QLatin1Char(' ');
            break;
        case 'n':
            result += QLatin1Char('\n');
            break;
        case 't':
            result += QLatin1Char('\t');
            break;
        case 'r':
            result += QLatin1Char('\r');
            break;
        default:
            result += next;
        }
    }
    return result;
}

} // namespace

XdgAutostartLoginItem::Locations XdgAutostartLoginItem::Locations::current() {
    const QString home = QDir::homePath();
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty() || QDir::isRelativePath(configHome)) {
        configHome = home + QStringLiteral("/.config");
    }
    QString executable = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    if (executable.isEmpty()) {
        executable = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    }
    return Locations{
        .configHome = configHome,
        .executablePath = executable,
        .installedRoots = {QStringLiteral("/usr"), QStringLiteral("/opt"), home + QStringLiteral("/.local")},
        .environment = Deployment::carriedEnvironment(),
    };
}

XdgAutostartLoginItem::XdgAutostartLoginItem(Locations locations, LinuxDesktopSettings settings,
                                             XdgOpen opener)
    : m_locations(std::move(locations)), m_settings(std::move(settings)), m_opener(std::move(opener)) {}

QString XdgAutostartLoginItem::autostartFolder() const {
    return m_locations.configHome + QStringLiteral("/autostart");
}

QString XdgAutostartLoginItem::entryPath() const {
    return autostartFolder() + QStringLiteral("/" MOLVENA_BUNDLE_IDENTIFIER ".desktop");
}

bool XdgAutostartLoginItem::runsFromInstalledLocation() const {
    if (m_locations.executablePath.isEmpty()) {
        return false;
    }
    const QString executable = canonicalOrClean(m_locations.executablePath);
    for (const QString& root : m_locations.installedRoots) {
        const QString cleanRoot = canonicalOrClean(root);
        if (!cleanRoot.isEmpty() && executable.startsWith(cleanRoot + QLatin1Char('/'))) {
            return true;
        }
    }
    return false;
}

QString XdgAutostartLoginItem::execValue(const QString& program, const QStringList& environment) {
    const auto quote = [](const QString& argument) {
        QString quoted;
        for (const QChar c : argument) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\')) {
                quoted += QLatin1Char('\\');
            }
            quoted += c;
        }
        // The string-level escape doubles every backslash; "%" starts a field code unless doubled.
        quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
        return QLatin1Char('"') + quoted + QLatin1Char('"');
    };
    QStringList arguments;
    if (!environment.isEmpty()) {
        arguments << QStringLiteral("env");
        for (const QString& variable : environment) {
            arguments << quote(variable);
        }
    }
    arguments << quote(program);
    return arguments.join(QLatin1Char(' '));
}

QStringList XdgAutostartLoginItem::argumentsOfExec(const QString& exec) {
    const QString value = unescapeValue(exec).trimmed();
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < value.size()) {
                current += value[++i];
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = inArgument = true;
        } else if (c.isSpace()) {
            if (inArgument) {
                arguments << current.replace(QStringLiteral("%%"), QStringLiteral("%"));
            }
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) {
        arguments << current.replace(QStringLiteral("%%"), QStringLiteral("%"));
    }
    return arguments;
}

QString XdgAutostartLoginItem::programOfExec(const QString& exec) {
    QStringList arguments = argumentsOfExec(exec);
    if (!arguments.isEmpty() && QFileInfo(arguments.first()).fileName() == QLatin1String("env")) {
        arguments.removeFirst();
        while (!arguments.isEmpty() && arguments.first().contains(QLatin1Char('=')) &&
               !arguments.first().startsWith(QLatin1Char('/'))) {
            arguments.removeFirst();
        }
    }
    return arguments.value(0);
}

std::optional<XdgAutostartLoginItem::Entry> XdgAutostartLoginItem::readEntry() const {
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return std::nullopt;
    }
    Entry entry;
    bool inEntryGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntryGroup = line == kEntryGroup;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inEntryGroup || line.startsWith(QLatin1Char('#')) || equals < 0) {
            continue;
        }
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Exec")) {
            entry.exec = value;
        } else if (key == QLatin1String("Hidden") && value == QLatin1String("true")) {
            entry.switchedOff = true;
        } else if (key == QLatin1String("X-GNOME-Autostart-enabled") && value == QLatin1String("false")) {
            entry.switchedOff = true;
        }
    }
    return entry;
}

bool XdgAutostartLoginItem::startsThisExecutable(const Entry& entry) const {
    const QString program = programOfExec(entry.exec);
    return !program.isEmpty() && canonicalOrClean(program) == canonicalOrClean(m_locations.executablePath);
}

int XdgAutostartLoginItem::status() const {
    if (!runsFromInstalledLocation()) {
        return notFound;
    }
    const std::optional<Entry> entry = readEntry();
    if (!entry || !startsThisExecutable(*entry)) {
        return notRegistered;
    }
    return entry->switchedOff ? requiresApproval : enabled;
}

std::optional<LoginItemError> XdgAutostartLoginItem::registerApplication() {
    if (!runsFromInstalledLocation()) {
        return LoginItemError{
            notFound, QStringLiteral("Molvena kan kun starte automatisk, når programmet er installeret.")};
    }
    if (const std::optional<Entry> entry = readEntry();
        entry && startsThisExecutable(*entry) && entry->switchedOff) {
        // The user switched it off in the desktop's settings; only they can switch it on again.
        return LoginItemError{
            notPermittedCode,
            QStringLiteral("Automatisk start af Molvena er slået fra i skrivebordets indstillinger.")};
    }
    const auto failure = [](const QFileDevice& file) {
        return LoginItemError{int(file.error()),
                              QStringLiteral("Molvena kunne ikke gemme autostart-filen: ") +
                                  file.errorString()};
    };
    QDir().mkpath(autostartFolder());
    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return failure(file);
    }
    const QString contents = kEntryGroup +
                             QStringLiteral("\n"
                                            "Type=Application\n"
                                            "Name=Molvena\n"
                                            "Comment=Holder gambling væk fra denne computer\n"
                                            "Exec=") +
                             execValue(m_locations.executablePath, m_locations.environment) +
                             QStringLiteral("\n"
                                            "Terminal=false\n"
                                            "X-GNOME-Autostart-enabled=true\n");
    file.write(contents.toUtf8());
    if (!file.commit()) {
        return failure(file);
    }
    return std::nullopt;
}

std::optional<LoginItemError> XdgAutostartLoginItem::unregisterApplication() {
    QFile file(entryPath());
    if (!file.exists() || file.remove()) {
        return std::nullopt;
    }
    return LoginItemError{int(file.error()),
                          QStringLiteral("Molvena kunne ikke fjerne autostart-filen: ") + file.errorString()};
}

bool XdgAutostartLoginItem::openLoginItemsSettings() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        return false;
    }
    if (m_settings.open(LinuxDesktopSettings::Page::loginItems)) {
        return true;
    }
    // Without a settings program for it, the folder where the entries live is the next best place.
    QDir().mkpath(autostartFolder());
    return m_opener.open(QUrl::fromLocalFile(autostartFolder()));
}

} // namespace molvena
