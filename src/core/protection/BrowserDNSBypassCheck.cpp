#include "BrowserDNSBypassCheck.h"

#include "FirefoxPreferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonValue>
#include <QRegularExpression>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

namespace molvena {

namespace {

// Firefox's own provider when DNS over HTTPS is on and no address is given.
const QString firefoxDefaultProvider = QStringLiteral("https://mozilla.cloudflare-dns.com/dns-query");

const QString unreadableFile = QStringLiteral("Indstillingsfilen kunne ikke læses.");
const QString malformedFile = QStringLiteral("Indstillingsfilen er ufuldstændig eller beskadiget.");
const QString oversizedFile = QStringLiteral("Indstillingsfilen er for stor til at blive kontrolleret.");

struct FileContents {
    bool exists = false;
    std::optional<QByteArray> bytes; // nothing when the file exists but was not read
    QString problem;                 // then: why
};

FileContents readSettingsFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return {};
    }
    if (info.isFile() && info.size() > BrowserDNSBypassCheck::maximumFileSize) {
        return {.exists = true, .bytes = std::nullopt, .problem = oversizedFile};
    }
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        return {.exists = true, .bytes = std::nullopt, .problem = unreadableFile};
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return {.exists = true, .bytes = std::nullopt, .problem = unreadableFile};
    }
    return {.exists = true, .bytes = std::move(bytes), .problem = {}};
}

std::optional<QJsonObject> jsonObject(const QByteArray& bytes) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    return document.object();
}

// A JSON settings file's object; otherwise nothing, with the reason noted in the tally.
template <typename Tally> std::optional<QJsonObject> readJsonObject(const FileContents& file, Tally& tally) {
    if (!file.bytes) {
        tally.couldNotRead(file.problem);
        return std::nullopt;
    }
    std::optional<QJsonObject> object = jsonObject(*file.bytes);
    if (!object) {
        tally.couldNotRead(malformedFile);
    }
    return object;
}

// The locations as the caller's thread read them, for a worker thread that must not touch the
// caller's objects.
class FixedLocations : public BrowserLocations {
public:
    explicit FixedLocations(QList<BrowserInstallation> installations)
        : m_installations(std::move(installations)) {}
    QList<BrowserInstallation> installations() const override { return m_installations; }

private:
    QList<BrowserInstallation> m_installations;
};

// The folders of the profiles that a profiles.ini lists, or nothing when it names none it can read.
QStringList firefoxProfileFolders(const QString& profilesFolder, const QByteArray& ini) {
    QStringList folders;
    QString section;
    QString path;
    bool relative = true;
    const auto finishSection = [&] {
        if (section.startsWith(QLatin1String("Profile"), Qt::CaseInsensitive) && !path.isEmpty()) {
            folders.append(relative ? QDir(profilesFolder).filePath(path) : path);
        }
        path.clear();
        relative = true;
    };
    for (const QByteArray& rawLine : ini.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            finishSection();
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            continue;
        }
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Path")) {
            path = value;
        } else if (key == QLatin1String("IsRelative")) {
            relative = value != QLatin1String("0");
        }
    }
    finishSection();
    return folders;
}

} // namespace

BrowserDNSBypassCheck::BrowserDNSBypassCheck(const BrowserLocations& locations, QString resolverHostName)
    : m_locations(locations), m_resolverHostName(std::move(resolverHostName)) {}

QList<BrowserFinding> BrowserDNSBypassCheck::run() const {
    QList<BrowserFinding> findings;
    for (const BrowserInstallation& installation : m_locations.installations()) {
        BrowserFinding finding = installation.engine == BrowserEngine::firefox ? checkFirefox(installation)
                                                                               : checkChromium(installation);
        if (!finding.browser.isEmpty()) {
            findings.append(std::move(finding));
        }
    }
    return findings;
}

QFuture<QList<BrowserFinding>> BrowserDNSBypassCheck::runInBackground() const {
    return QtConcurrent::run([installations = m_locations.installations(), resolver = m_resolverHostName] {
        const FixedLocations locations(installations);
        return BrowserDNSBypassCheck(locations, resolver).run();
    });
}

BrowserFinding BrowserDNSBypassCheck::checkFirefox(const BrowserInstallation& installation) const {
    Tally tally;
    bool lockedOff = false;
    for (const QString& policyPath : installation.policyPaths) {
        const FileContents file = readSettingsFile(policyPath);
        if (!file.exists) {
            continue;
        }
        tally.present = true;
        const std::optional<QJsonObject> policies = readJsonObject(file, tally);
        if (!policies) {
            continue;
        }
        const QJsonObject dns = policies->value(QLatin1String("policies"))
                                    .toObject()
                                    .value(QLatin1String("DNSOverHTTPS"))
                                    .toObject();
        const QJsonValue enabled = dns.value(QLatin1String("Enabled"));
        if (enabled.isBool() && enabled.toBool()) {
            const QString provider = dns.value(QLatin1String("ProviderURL")).toString(firefoxDefaultProvider);
            if (const std::optional<QString> foreign = foreignProvider({provider})) {
                tally.bypass = Setting{.ownDNS = true, .provider = *foreign};
            }
        } else if (enabled.isBool() && dns.value(QLatin1String("Locked")).toBool()) {
            lockedOff = true;
        }
    }
    if (tally.bypass || lockedOff) {
        // A policy that switches it on or locks it off is stronger than any profile's setting.
        return verdict(installation.name, tally);
    }

    for (const QString& profilesFolder : installation.profileFolders) {
        const FileContents ini =
            readSettingsFile(QDir(profilesFolder).filePath(QStringLiteral("profiles.ini")));
        if (!ini.exists) {
            continue;
        }
        tally.present = true;
        if (!ini.bytes) {
            tally.couldNotRead(ini.problem);
            continue;
        }
        for (const QString& profile : firefoxProfileFolders(profilesFolder, *ini.bytes)) {
            QHash<QString, QVariant> preferences;
            QString problem;
            // user.js is applied after prefs.js at every start, so its values win.
            for (const QLatin1String name : {QLatin1String("prefs.js"), QLatin1String("user.js")}) {
                const FileContents file = readSettingsFile(QDir(profile).filePath(name));
                if (!file.exists) {
                    continue;
                }
                const auto values = file.bytes ? FirefoxPreferences::parse(*file.bytes) : std::nullopt;
                if (!values) {
                    problem = file.bytes ? malformedFile : file.problem;
                    break;
                }
                preferences.insert(*values);
            }
            if (!problem.isEmpty()) {
                // Either file may decide it: half of them says nothing about this profile.
                tally.couldNotRead(problem);
                continue;
            }
            const auto text = [&](const char* name) {
                return preferences.value(QLatin1String(name)).toString().trimmed();
            };
            // The player's own choice; 0 (the default) leaves it to the staged rollout, which keeps
            // its decision in doh-rollout.mode and its provider in doh-rollout.uri.
            qint64 mode = preferences.value(QStringLiteral("network.trr.mode")).toLongLong();
            if (mode == 0) {
                mode = preferences.value(QStringLiteral("doh-rollout.mode")).toLongLong();
            }
            // 2: DNS over HTTPS first ("increased protection"); 3: only ("max protection").
            if (mode != 2 && mode != 3) {
                continue;
            }
            QString uri = text("network.trr.uri");
            for (const char* fallback : {"doh-rollout.uri", "network.trr.custom_uri"}) {
                if (uri.isEmpty()) {
                    uri = text(fallback);
                }
            }
            if (const std::optional<QString> foreign =
                    foreignProvider({uri.isEmpty() ? firefoxDefaultProvider : uri})) {
                if (!tally.bypass) {
                    tally.bypass = Setting{.ownDNS = true, .provider = *foreign};
                }
            }
        }
    }
    return verdict(installation.name, tally);
}

BrowserFinding BrowserDNSBypassCheck::checkChromium(const BrowserInstallation& installation) const {
    Tally tally;
    std::optional<Setting> policy;
    for (const QString& policyFolder : installation.policyPaths) {
        const QDir folder(policyFolder);
        if (!folder.exists()) {
            continue;
        }
        const QStringList names = folder.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
        for (const QString& name : names) {
            const FileContents file = readSettingsFile(folder.filePath(name));
            const std::optional<QJsonObject> policies = readJsonObject(file, tally);
            if (!policies) {
                tally.present = true;
                continue;
            }
            const QJsonValue mode = policies->value(QLatin1String("DnsOverHttpsMode"));
            if (mode.isString()) {
                tally.present = true;
                policy = chromiumSetting(mode.toString(),
                                         policies->value(QLatin1String("DnsOverHttpsTemplates")).toString());
            }
        }
    }
    if (policy) {
        // A managed policy overrides what the user chose in the browser's settings.
        if (policy->ownDNS) {
            tally.bypass = policy;
        }
        return verdict(installation.name, tally);
    }

    for (const QString& userDataFolder : installation.profileFolders) {
        const FileContents file =
            readSettingsFile(QDir(userDataFolder).filePath(QStringLiteral("Local State")));
        if (!file.exists) {
            continue;
        }
        tally.present = true;
        const std::optional<QJsonObject> localState = readJsonObject(file, tally);
        if (!localState) {
            continue;
        }
        const QJsonObject dns = localState->value(QLatin1String("dns_over_https")).toObject();
        const Setting setting = chromiumSetting(dns.value(QLatin1String("mode")).toString(),
                                                dns.value(QLatin1String("templates")).toString());
        if (setting.ownDNS && !tally.bypass) {
            tally.bypass = setting;
        }
    }
    return verdict(installation.name, tally);
}

BrowserDNSBypassCheck::Setting BrowserDNSBypassCheck::chromiumSetting(const QString& mode,
                                                                      const QString& templates) const {
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList uris = templates.split(blanks, Qt::SkipEmptyParts);
    // "automatic" without a provider of its own only upgrades a system resolver that speaks DoH itself.
    if (mode == QLatin1String("secure") || (mode == QLatin1String("automatic") && !uris.isEmpty())) {
        if (const std::optional<QString> foreign = foreignProvider(uris)) {
            return Setting{.ownDNS = true, .provider = *foreign};
        }
    }
    return {};
}

std::optional<QString> BrowserDNSBypassCheck::foreignProvider(const QStringList& uris) const {
    if (uris.isEmpty()) {
        return QString();
    }
    for (const QString& uri : uris) {
        // A template's "{?dns}" part is no part of the address.
        const QUrl url(uri.left(uri.indexOf(QLatin1Char('{'))));
        const QString host = url.host().toLower();
        if (host.isEmpty()) {
            return uri;
        }
        if (m_resolverHostName.isEmpty() || host != m_resolverHostName.toLower()) {
            return host;
        }
    }
    return std::nullopt;
}

BrowserFinding BrowserDNSBypassCheck::verdict(const QString& browser, const Tally& tally) {
    if (!tally.present) {
        return {};
    }
    if (tally.bypass) {
        return {.browser = browser,
                .verdict = BrowserFinding::Verdict::ownDNS,
                .provider = tally.bypass->provider,
                .problem = {}};
    }
    return {.browser = browser,
            .verdict = tally.problem.isEmpty() ? BrowserFinding::Verdict::usesSystemResolver
                                               : BrowserFinding::Verdict::unknown,
            .provider = {},
            .problem = tally.problem};
}

} // namespace molvena
