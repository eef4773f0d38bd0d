#pragma once

#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QUrl>

namespace molvena {

// The deployment values: the backend and the protective resolver that the app is built against.
// There is no configuration file; production builds use the constants of production().
struct Deployment {
    QUrl apiBase;             // ends in "/api/"
    QUrl blockProxy;          // ends in "/shield_blocked"
    QUrl canaryURL;           // the canary zone's root: every name beneath it resolves publicly and
                              // does not exist behind the protective resolver
    QList<QUrl> probeURLs;    // three gambling sites on the resolver's blocklist
    QString resolverHostName; // the host name the DNS profile points at

    static Deployment production();

    // production() with any MOLVENA_API_BASE, MOLVENA_BLOCK_PROXY, MOLVENA_CANARY_URL,
    // MOLVENA_PROBE_URLS (comma-separated) and MOLVENA_RESOLVER_HOST values laid over it.
    static Deployment fromEnvironment(const QProcessEnvironment& environment);

    // What this build runs against: production(), or fromEnvironment() for the local run when the
    // build allows it (never in a shipped build, so nobody can point the protection elsewhere).
    static Deployment forThisBuild();

    // The MOLVENA_* variables above as NAME=value, as set in this process, for a development build
    // to pass on to a copy of itself started later (at log-in); always empty in a shipped build.
    static QStringList carriedEnvironment();
};

} // namespace molvena
