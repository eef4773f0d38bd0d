#include "Deployment.h"

namespace molvena {

Deployment Deployment::production() {
    return Deployment{
        .apiBase = QUrl(QStringLiteral("https://api.molvena.dk/api/")),
        .blockProxy = QUrl(QStringLiteral("https://block.molvena.dk/shield_blocked")),
        .canaryURL = QUrl(QStringLiteral("https://canary.molvena.dk/")),
        .probeURLs = {QUrl(QStringLiteral("https://www.danskespil.dk/")),
                      QUrl(QStringLiteral("https://www.bet365.dk/")),
                      QUrl(QStringLiteral("https://www.unibet.dk/"))},
        .resolverHostName = QStringLiteral("dns.molvena.dk"),
    };
}

Deployment Deployment::fromEnvironment(const QProcessEnvironment& environment) {
    Deployment deployment = production();
    const auto urlFrom = [&](const char* name, QUrl& target) {
        const QString value = environment.value(QString::fromLatin1(name));
        if (!value.isEmpty()) {
            target = QUrl(value);
        }
    };
    urlFrom("MOLVENA_API_BASE", deployment.apiBase);
    urlFrom("MOLVENA_BLOCK_PROXY", deployment.blockProxy);
    urlFrom("MOLVENA_CANARY_URL", deployment.canaryURL);
    const QString probes = environment.value(QStringLiteral("MOLVENA_PROBE_URLS"));
    if (!probes.isEmpty()) {
        deployment.probeURLs.clear();
        for (const QString& url : probes.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            deployment.probeURLs.append(QUrl(url.trimmed()));
        }
    }
    const QString resolver = environment.value(QStringLiteral("MOLVENA_RESOLVER_HOST"));
    if (!resolver.isEmpty()) {
        deployment.resolverHostName = resolver;
    }
    return deployment;
}

QStringList Deployment::carriedEnvironment() {
    QStringList carried;
#ifdef MOLVENA_ENVIRONMENT_DEPLOYMENT_ENABLED
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"MOLVENA_API_BASE", "MOLVENA_BLOCK_PROXY", "MOLVENA_CANARY_URL",
                             "MOLVENA_PROBE_URLS", "MOLVENA_RESOLVER_HOST"}) {
        const QString key = QString::fromLatin1(name);
        if (environment.contains(key)) {
            carried << key + QLatin1Char('=') + environment.value(key);
        }
    }
#endif
    return carried;
}

Deployment Deployment::forThisBuild() {
#ifdef MOLVENA_ENVIRONMENT_DEPLOYMENT_ENABLED
    return fromEnvironment(QProcessEnvironment::systemEnvironment());
#else
    return production();
#endif
}

} // namespace molvena
