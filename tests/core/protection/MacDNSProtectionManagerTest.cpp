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
    // The requests of every server but the one that drops connections (Qt resends to that one).
    int requestsReceived() const {
        return int(m_servers[1].requests().size() + m_servers[2].requests().size() +
                   m_servers[3].requests().size() + m_servers[4].requests().size());
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

const DNSProtectionTimeouts kFast{.probeTransfer = 400ms, .probeLimit = 800ms, .profileDownload = 2000ms};
const QString kResolver = QStringLiteral("dns.molvena.test");

Deployment deploymentFor(const QUrl& apiBase, const QUrl& canary, const QList<QUrl>& probes) {
    return Deployment{.apiBase = apiBase,
                      .blockProxy = QUrl(QStringLiteral("http://127.0.0.1:9/shield_blocked")),
                      .canaryURL = canary,
                      .probeURLs = probes,
                      .resolverHostName = kResolver};
}

} // namespace

Q_DECLARE_METATYPE(Site)
Q_DECLARE_METATYPE(MacDNSProtectionState)

class MacDNSProtectionManagerTest : public QObject {
    Q_OBJECT
private slots:
    void verificationReachesEveryOutcome_data();
    void verificationReachesEveryOutcome();
    void verificationEndsInTimeWhenEveryHostHangs();
    void callerDuringACheckGetsALaterCheck();
    void callersWaitingForChecksThatEndAtOnce();
    void profileRequest_data();
    void profileRequest();

private:
    QNetworkAccessManager m_network;
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
    TemporaryPreferences preferences;
    // A player's Mac, and what an earlier run recorded; an undecided verification must leave it alone.
    preferences.store().setValue(QStringLiteral("macRole"), QStringLiteral("player"));
    preferences.store().setValue(QStringLiteral("macLastKnownDNSActive"), true);
    RecordingWorkspace workspace;
    MacDNSProtectionManager manager(preferences.store(), workspace, m_network,
                                    deploymentFor({}, sites.url(canary), probeURLs), kFast);
    QSignalSpy checking(&manager, &MacDNSProtectionManager::isCheckingChanged);

    const QDateTime before = QDateTime::currentDateTimeUtc();
    QCOMPARE(QCoro::waitFor(manager.verify()), state);

    QCOMPARE(manager.lastError(), note);
    QCOMPARE(manager.statusText(), statusText);
    QCOMPARE(checking.count(), 2);
    QVERIFY(manager.lastCheckAt().has_value() && *manager.lastCheckAt() >= before);
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
        manager.detailText(),
        state == MacDNSProtectionState::unknown
            ? QStringLiteral(
                  "Molvena kunne ikke kontrollere beskyttelsen sikkert lige nu. Prøv igen om et øjeblik.")
            : QStringLiteral("Molvena kunne nå flere kendte gambling-sider. Kontrollér, at "
                             "beskyttelsesprofilen er installeret og aktiv."));
    // An undecided check leaves what the monitor last knew.
    QCOMPARE(preferences.store().boolean(QStringLiteral("macLastKnownDNSActive")),
             state == MacDNSProtectionState::unknown);
}

// The probe limit, not the longer transfer time-out, ends each probe.
void MacDNSProtectionManagerTest::verificationEndsInTimeWhenEveryHostHangs() {
    const int transferMs = 5000;
    const int limitMs = 300;
    Sites sites;
    const QUrl silent = sites.url(Site::neverAnswers);
    TemporaryPreferences preferences;
    RecordingWorkspace workspace;
    const DNSProtectionTimeouts timeouts{.probeTransfer = std::chrono::milliseconds(transferMs),
                                         .probeLimit = std::chrono::milliseconds(limitMs)};
    MacDNSProtectionManager manager(preferences.store(), workspace, m_network,
                                    deploymentFor({}, silent, {silent, silent, silent}), timeouts);

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(QCoro::waitFor(manager.verify()), MacDNSProtectionState::unknown);
    const qint64 bound = std::min(transferMs, limitMs);
    // The canary, then the three fallbacks side by side: two bounds, not four.
    QVERIFY2(timer.elapsed() >= 2 * bound - 50, qPrintable(QString::number(timer.elapsed())));
    QVERIFY2(timer.elapsed() < 3 * bound, qPrintable(QString::number(timer.elapsed())));
    QVERIFY2(manager.lastError().startsWith(
                 QLatin1String("Inconclusive DNS verification; blocked=0, reachable=0, canary=unknown(")),
             qPrintable(manager.lastError()));
    QVERIFY(sites.requestsReceived() == 4);
}

// A refresh right after a change must not be answered by a check that began before it: callers
// that arrive during a check share one follow-up check.
void MacDNSProtectionManagerTest::callerDuringACheckGetsALaterCheck() {
    ScriptedHttpServer canary;
    ScriptedHttpServer sites;
    canary.setDefaultReply({.body = {}, .neverAnswer = true});
    sites.setDefaultReply({.body = {}, .neverAnswer = true});
    const QUrl url = sites.url();
    TemporaryPreferences preferences;
    RecordingWorkspace workspace;
    MacDNSProtectionManager manager(preferences.store(), workspace, m_network,
                                    deploymentFor({}, canary.url(), {url, url, url}), kFast);

    QCoro::Task<MacDNSProtectionState> first = manager.verify();
    QTRY_COMPARE(sites.requests().size(), 3);
    sites.setDefaultReply({.status = 200, .body = {}}); // the sites open while the first check waits
    QCoro::Task<MacDNSProtectionState> second = manager.verify();
    QCoro::Task<MacDNSProtectionState> third = manager.verify();
    QVERIFY(manager.isChecking());
    QCOMPARE(QCoro::waitFor(std::move(first)), MacDNSProtectionState::unknown);
    QCOMPARE(QCoro::waitFor(std::move(second)), MacDNSProtectionState::inactive);
    QCOMPARE(QCoro::waitFor(std::move(third)), MacDNSProtectionState::inactive);
    QVERIFY(!manager.isChecking());
    QCOMPARE(sites.requests().size(), 6); // two checks, not three
}

// With every name refused at once, a check ends within the call that starts it: the callers
// waiting meanwhile still share one follow-up, and each is woken once.
void MacDNSProtectionManagerTest::callersWaitingForChecksThatEndAtOnce() {
    ScriptedHttpServer canary;
    canary.setDefaultReply({.body = {}, .neverAnswer = true});
    QUrl url = canary.url();
    url.setHost(QStringLiteral("canary.molvena.test"));
    StandInResolver resolver(false);
    TemporaryPreferences preferences;
    RecordingWorkspace workspace;
    MacDNSProtectionManager manager(preferences.store(), workspace, m_network, deploymentFor({}, url, {}),
                                    kFast, resolver.lookup());
    QSignalSpy checks(&manager, &MacDNSProtectionManager::isCheckingChanged);

    QCoro::Task<MacDNSProtectionState> first = manager.verify();
    QTRY_COMPARE(canary.requests().size(), 1);
    std::vector<QCoro::Task<MacDNSProtectionState>> waiting;
    for (int caller = 0; caller < 3; ++caller) {
        waiting.push_back(manager.verify());
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
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("browserAccepts");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<QString>("lastError");

    const QByteArray profile = "<?xml version=\"1.0\"?><plist><dict><key>PayloadType</key>"
                               "<string>com.apple.dnsSettings.managed</string><key>ServerURL</key>"
                               "<string>https://dns.molvena.test/dns-query/abc</string></dict></plist>";
    const QString invalid = QStringLiteral("Serveren returnerede ikke en gyldig Molvena DNS-profil.");
    QTest::newRow("valid profile") << "mac-0001" << 200 << profile << true << true << "";
    QTest::newRow("no resolver host")
        << "mac-0001" << 200 << QByteArray("<string>com.apple.dnsSettings.managed</string>") << true << false
        << invalid;
    QTest::newRow("not a DNS profile")
        << "mac-0001" << 200 << QByteArray("dns.molvena.test") << true << false << invalid;
    // HTTP 404 is the contract test's, from the real server.
    QTest::newRow("browser refuses") << "mac-0001" << 200 << profile << false << false
                                     << "Molvena kunne ikke åbne download-linket i din browser.";
    QTest::newRow("token of only spaces")
        << "   " << 200 << profile << true << false << "Mac-device-token mangler.";
}

void MacDNSProtectionManagerTest::profileRequest() {
    QFETCH(QString, token);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, browserAccepts);
    QFETCH(bool, succeeds);
    QFETCH(QString, lastError);
    ScriptedHttpServer backend;
    backend.setDefaultReply(
        {.status = status, .body = body, .contentType = "application/x-apple-aspen-config"});
    TemporaryPreferences preferences;
    RecordingWorkspace workspace;
    workspace.acceptsURLs = browserAccepts;
    MacDNSProtectionManager manager(preferences.store(), workspace, m_network,
                                    deploymentFor(backend.url(QStringLiteral("/api/")), {}, {}), kFast);
    manager.markVerified(QStringLiteral("earlier")); // a failed download leaves the state as it was
    QSignalSpy opening(&manager, &MacDNSProtectionManager::isOpeningProfileChanged);

    QCOMPARE(QCoro::waitFor(manager.requestProfile(token)), succeeds);
    QCOMPARE(manager.lastError(), lastError);
    QCOMPARE(manager.isOpeningProfile(), false);
    QCOMPARE(manager.profileWasRequested(), succeeds);
    QCOMPARE(preferences.store().boolean(QStringLiteral("macDNSProfileWasRequested")), succeeds);

    if (token.trimmed().isEmpty()) {
        QCOMPARE(backend.requests().size(), 0);
        QCOMPARE(opening.count(), 0);
        QCOMPARE(manager.detailText(),
                 QStringLiteral("Molvena kunne ikke klargøre beskyttelsen. Prøv igen om et øjeblik."));
        return;
    }
    QCOMPARE(opening.count(), 2);
    QCOMPARE(backend.requests().size(), 1);
    const RecordedRequest& request = backend.requests().first();
    QCOMPARE(request.headers.value("cache-control"), QByteArray("no-cache"));

    if (succeeds) {
        QCOMPARE(workspace.openedURLs.size(), 1);
        QCOMPARE(workspace.openedURLs.first(), *manager.profileURL(token));
        QCOMPARE(manager.state(), MacDNSProtectionState::unknown);
        QCOMPARE(manager.statusText(), QStringLiteral("Download startet · afventer installation"));
        QCOMPARE(manager.detailText(),
                 QStringLiteral(
                     "Profilen hentes via din browser. Åbn .mobileconfig-filen, gennemfør installationen "
                     "i Systemindstillinger, og kontrollér derefter beskyttelsen i Molvena."));
    } else {
        QCOMPARE(manager.state(), MacDNSProtectionState::active);
        QCOMPARE(manager.statusText(), QStringLiteral("Profilen kunne ikke hentes"));
        // A profile that came but found no browser is no fault of the connection.
        QCOMPARE(manager.detailText(), browserAccepts
                                           ? QStringLiteral("Kontrollér internetforbindelsen og prøv igen.")
                                           : WebProtectionTexts::browserRefusedDetail());
        QCOMPARE(workspace.openedURLs.size(), browserAccepts ? 0 : 1);
    }
}

QTEST_GUILESS_MAIN(MacDNSProtectionManagerTest)
#include "MacDNSProtectionManagerTest.moc"
