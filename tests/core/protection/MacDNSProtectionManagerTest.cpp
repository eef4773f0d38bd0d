#include "protection/MacDNSProtectionManager.h"
#include "ProtectionTestSupport.h"
#include "ScriptedHttpServer.h"
#include "TestSupport.h"
#include "protection/WebProtectionTexts.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QtTest/QtTest>

#include <qcoro/qcorotask.h>

#include <array>
#include <vector>

using namespace molvena;
using namespace molvena::test;
using namespace std::chrono_literals;

namespace {

enum class Site { refused, answers200, answers403, answers500, neverAnswers, dropsConnection, redirects };

// One live loopback server per kind of answer, plus a URL that refuses. Names that do not resolve
// need a resolver of the test's own: WebProtectionEndToEndTest has one.
class Sites {
public:
    Sites() {
        m_servers[int(Site::answers200)].setDefaultReply({.status = 200, .body = ""});
        m_servers[int(Site::answers403)].setDefaultReply({.status = 403, .body = "forbidden"});
        m_servers[int(Site::answers500)].setDefaultReply({.status = 500, .body = "oops"});
        m_servers[int(Site::neverAnswers)].setDefaultReply({.body = {}, .neverAnswer = true});
        m_servers[int(Site::dropsConnection)].setDefaultReply({.body = {}, .dropConnection = true});
        m_servers[int(Site::redirects)].setDefaultReply({.status = 302, .body = {}});
    }
    QUrl url(Site site) {
        return site == Site::refused
                   ? QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(ScriptedHttpServer::closedPort()))
                   : m_servers[int(site)].url();
    }
    ScriptedHttpServer& answers200() { return m_servers[int(Site::answers200)]; }
    // Whether a probe went on to where the redirect pointed.
    bool redirectFollowed() const {
        const auto& asked = m_servers[int(Site::redirects)].requests();
        return std::any_of(asked.begin(), asked.end(), [](const auto& r) { return r.path == "/moved"; });
    }

private:
    std::array<ScriptedHttpServer, 7> m_servers; // by Site; the first stays unused
};

// The probe limit, far below the transfer time-out, is what ends a probe that hangs.
const DNSProtectionTimeouts kFast{.probeTransfer = 5000ms, .probeLimit = 800ms, .profileDownload = 2000ms};

// The manager on a fresh preference store, with a desktop that records what it was asked to open.
struct Manager {
    Manager(const QUrl& apiBase, const QUrl& canary, const QList<QUrl>& probes,
            HostLookup lookUp = lookUpHostWithSystemResolver)
        : dns(preferences.store(), workspace, network,
              Deployment{.apiBase = apiBase,
                         .blockProxy = QUrl(QStringLiteral("http://127.0.0.1:9/shield_blocked")),
                         .canaryURL = canary,
                         .probeURLs = probes,
                         .resolverHostName = QStringLiteral("dns.molvena.test")},
              kFast, std::move(lookUp)) {}

    TemporaryPreferences preferences;
    RecordingWorkspace workspace;
    QNetworkAccessManager network;
    MacDNSProtectionManager dns;
};

} // namespace

Q_DECLARE_METATYPE(Site)
Q_DECLARE_METATYPE(MacDNSProtectionState)

class MacDNSProtectionManagerTest : public QObject {
    Q_OBJECT
private slots:
    void verificationReachesEveryOutcome_data();
    void verificationReachesEveryOutcome();
    void callersWaitingForChecksThatEndAtOnce();
    void profileRequest_data();
    void profileRequest();
};

void MacDNSProtectionManagerTest::verificationReachesEveryOutcome_data() {
    QTest::addColumn<Site>("canary");
    QTest::addColumn<QList<Site>>("fallbacks");
    QTest::addColumn<MacDNSProtectionState>("state");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("statusText");

    // A refused connection proves nothing (a hosts-file line, a network refusing everything): only a
    // name that does not exist counts as blocked, which WebProtectionEndToEndTest's resolvers give.
    const QList<Site> reachableSites{Site::answers200, Site::answers200, Site::answers200};
    QTest::newRow("canary refused") << Site::refused << reachableSites << MacDNSProtectionState::inactive
                                    << "Verification reachable: 3/3; canary=unknown(Connection refused)"
                                    << "Webbeskyttelse ikke aktiv";
    QTest::newRow("two of three fallbacks refused")
        << Site::answers200 << QList<Site>{Site::refused, Site::refused, Site::answers200}
        << MacDNSProtectionState::unknown
        << "Inconclusive DNS verification; blocked=0, reachable=1, canary=reachable(HTTP 200)"
        << "Beskyttelsen kunne ikke kontrolleres";
    QTest::newRow("two reachable, one blocked")
        << Site::answers200 << QList<Site>{Site::answers200, Site::answers403, Site::refused}
        << MacDNSProtectionState::inactive << "Verification reachable: 2/3; canary=reachable(HTTP 200)"
        << "Webbeskyttelse ikke aktiv";
    QTest::newRow("error statuses and an unfollowed redirect are reachable too")
        << Site::answers500 << QList<Site>{Site::redirects, Site::answers403, Site::dropsConnection}
        << MacDNSProtectionState::inactive << "Verification reachable: 2/3; canary=reachable(HTTP 500)"
        << "Webbeskyttelse ikke aktiv";
    QTest::newRow("every host hangs")
        << Site::neverAnswers << QList<Site>{Site::neverAnswers, Site::neverAnswers, Site::neverAnswers}
        << MacDNSProtectionState::unknown
        << "Inconclusive DNS verification; blocked=0, reachable=0, canary=unknown(Operation canceled)"
        << "Beskyttelsen kunne ikke kontrolleres";
}

void MacDNSProtectionManagerTest::verificationReachesEveryOutcome() {
    QFETCH(Site, canary);
    QFETCH(QList<Site>, fallbacks);
    QFETCH(MacDNSProtectionState, state);
    QFETCH(QString, note);
    QFETCH(QString, statusText);
    Sites sites;
    QList<QUrl> probeURLs;
    for (const Site site : fallbacks) {
        probeURLs.append(sites.url(site));
    }
    Manager mac({}, sites.url(canary), probeURLs);
    // A player's Mac, and what an earlier run recorded; an undecided verification must leave it alone.
    mac.preferences.store().setValue(QStringLiteral("macRole"), QStringLiteral("player"));
    mac.preferences.store().setValue(QStringLiteral("macLastKnownDNSActive"), true);

    const QDateTime before = QDateTime::currentDateTimeUtc();
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(QCoro::waitFor(mac.dns.verify()), state);
    // A hanging host is ended by the probe limit: the canary, then the three fallbacks side by side
    // (Qt's coarse timers may fire 5% early).
    const qint64 limit = kFast.probeLimit.count();
    QVERIFY2(timer.elapsed() < 3 * limit, qPrintable(QString::number(timer.elapsed())));
    QVERIFY2(canary != Site::neverAnswers || timer.elapsed() >= 2 * limit - 100,
             qPrintable(QString::number(timer.elapsed())));

    QCOMPARE(mac.dns.lastError(), note);
    QCOMPARE(mac.dns.statusText(), statusText);
    QVERIFY(mac.dns.lastCheckAt().has_value() && *mac.dns.lastCheckAt() >= before);
    QVERIFY(!sites.redirectFollowed());
    // Every probe a HEAD that no cache may answer: no-cache, and a fresh query each time.
    QSet<QString> queries;
    for (const RecordedRequest& request : sites.answers200().requests()) {
        QCOMPARE(request.method, QByteArray("HEAD"));
        QCOMPARE(request.headers.value("cache-control"), QByteArray("no-cache"));
        QCOMPARE(request.query.queryItems().size(), 1);
        queries.insert(request.query.toString());
    }
    QCOMPARE(queries.size(), sites.answers200().requests().size());

    QCOMPARE(
        mac.dns.detailText(),
        state == MacDNSProtectionState::unknown
            ? QStringLiteral(
                  "Molvena kunne ikke kontrollere beskyttelsen sikkert lige nu. Prøv igen om et øjeblik.")
            : QStringLiteral("Molvena kunne nå flere kendte gambling-sider. Kontrollér, at "
                             "beskyttelsesprofilen er installeret og aktiv."));
    // An undecided check leaves what the monitor last knew.
    QCOMPARE(mac.preferences.store().boolean(QStringLiteral("macLastKnownDNSActive")),
             state == MacDNSProtectionState::unknown);
}

// A refresh right after a change must not be answered by a check that began before it: callers that
// arrive during a check share one follow-up and each is woken once, even when, with every name
// refused at once, a check ends within the call that starts it.
void MacDNSProtectionManagerTest::callersWaitingForChecksThatEndAtOnce() {
    ScriptedHttpServer canary;
    canary.setDefaultReply({.body = {}, .neverAnswer = true});
    QUrl url = canary.url();
    url.setHost(QStringLiteral("canary.molvena.test"));
    StandInResolver resolver(false);
    Manager mac({}, url, {}, resolver.lookup());
    QSignalSpy checks(&mac.dns, &MacDNSProtectionManager::isCheckingChanged);

    QCoro::Task<MacDNSProtectionState> first = mac.dns.verify();
    QTRY_COMPARE(canary.requests().size(), 1);
    std::vector<QCoro::Task<MacDNSProtectionState>> waiting;
    for (int caller = 0; caller < 3; ++caller) {
        waiting.push_back(mac.dns.verify());
    }
    resolver.setBlocking(true);
    QCOMPARE(QCoro::waitFor(std::move(first)), MacDNSProtectionState::unknown);
    for (QCoro::Task<MacDNSProtectionState>& caller : waiting) {
        QCOMPARE(QCoro::waitFor(std::move(caller)), MacDNSProtectionState::unknown);
    }
    QCOMPARE(checks.size(), 4); // on and off for the first check and for one follow-up
}

void MacDNSProtectionManagerTest::profileRequest_data() {
    QTest::addColumn<QString>("token");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("browserAccepts");
    QTest::addColumn<QString>("lastError"); // empty: the browser opens the profile
    QTest::addColumn<QString>("detailText");

    const QByteArray profile = "<?xml version=\"1.0\"?><plist><dict><key>PayloadType</key>"
                               "<string>com.apple.dnsSettings.managed</string><key>ServerURL</key>"
                               "<string>https://dns.molvena.test/dns-query/abc</string></dict></plist>";
    const QString invalid = QStringLiteral("Serveren returnerede ikke en gyldig Molvena DNS-profil.");
    const QString checkConnection = QStringLiteral("Kontrollér internetforbindelsen og prøv igen.");
    QTest::newRow("valid profile") << "mac-0001" << profile << true << ""
                                   << "Profilen hentes via din browser. Åbn .mobileconfig-filen, gennemfør "
                                      "installationen i Systemindstillinger, og kontrollér derefter "
                                      "beskyttelsen i Molvena.";
    QTest::newRow("not a DNS profile")
        << "mac-0001" << QByteArray("dns.molvena.test") << true << invalid << checkConnection;
    // HTTP 404 is the contract test's, from the real server. A profile that came but found no
    // browser is no fault of the connection.
    QTest::newRow("browser refuses") << "mac-0001" << profile << false
                                     << "Molvena kunne ikke åbne download-linket i din browser."
                                     << WebProtectionTexts::browserRefusedDetail();
}

void MacDNSProtectionManagerTest::profileRequest() {
    QFETCH(QString, token);
    QFETCH(QByteArray, body);
    QFETCH(bool, browserAccepts);
    QFETCH(QString, lastError);
    const bool succeeds = lastError.isEmpty();
    ScriptedHttpServer backend;
    backend.setDefaultReply({.status = 200, .body = body, .contentType = "application/x-apple-aspen-config"});
    Manager mac(backend.url(QStringLiteral("/api/")), {}, {});
    mac.workspace.acceptsURLs = browserAccepts;
    mac.dns.markVerified(QStringLiteral("earlier")); // a failed download leaves the state as it was
    QSignalSpy opening(&mac.dns, &MacDNSProtectionManager::isOpeningProfileChanged);

    QCOMPARE(QCoro::waitFor(mac.dns.requestProfile(token)), succeeds);
    QCOMPARE(mac.dns.lastError(), lastError);
    QTEST(mac.dns.detailText(), "detailText");
    QCOMPARE(mac.dns.statusText(), succeeds ? QStringLiteral("Download startet · afventer installation")
                                            : "Profilen kunne ikke hentes");
    QCOMPARE(mac.dns.state(), succeeds ? MacDNSProtectionState::unknown : MacDNSProtectionState::active);
    QCOMPARE(mac.dns.isOpeningProfile(), false);
    QCOMPARE(mac.dns.profileWasRequested(), succeeds);
    QCOMPARE(mac.preferences.store().boolean(QStringLiteral("macDNSProfileWasRequested")), succeeds);
    // A blank token asks nobody; the download asks without any cache.
    const int asked = token.trimmed().isEmpty() ? 0 : 1;
    QCOMPARE(backend.requests().size(), asked);
    QCOMPARE(opening.count(), 2 * asked);
    for (const RecordedRequest& request : backend.requests()) {
        QCOMPARE(request.headers.value("cache-control"), QByteArray("no-cache"));
    }
    // The browser is handed the profile's address once it came, whether it opens it or not.
    QCOMPARE(mac.workspace.openedURLs,
             succeeds || !browserAccepts ? QList<QUrl>{*mac.dns.profileURL(token)} : QList<QUrl>());
}

QTEST_GUILESS_MAIN(MacDNSProtectionManagerTest)
#include "MacDNSProtectionManagerTest.moc"
