// The Mac's browser places, compiled and run on every system against a temporary home folder: the
// profiles each browser writes under ~/Library/Application Support are found and read.
#include "macos/MacBrowserLocations.h"
#include "ProtectionTestSupport.h"
#include "protection/BrowserDNSBypassCheck.h"

#include <QTemporaryDir>
#include <QtTest/QtTest>

using namespace molvena;
using molvena::test::writeFile;

class MacBrowserLocationsTest : public QObject {
    Q_OBJECT
private slots:
    void findsProfilesUnderApplicationSupport_data();
    void findsProfilesUnderApplicationSupport();
};

void MacBrowserLocationsTest::findsProfilesUnderApplicationSupport_data() {
    QTest::addColumn<QString>("path"); // under ~/Library/Application Support
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("expected");
    const QByteArray ownDNS =
        R"({"dns_over_https":{"mode":"secure","templates":"https://dns.quad9.net/dns-query"}})";
    QTest::newRow("Google Chrome") << "Google/Chrome/Local State" << ownDNS << "Google Chrome: dns.quad9.net";
    QTest::newRow("Brave") << "BraveSoftware/Brave-Browser/Local State" << ownDNS << "Brave: dns.quad9.net";
    QTest::newRow("Microsoft Edge") << "Microsoft Edge/Local State" << ownDNS
                                    << "Microsoft Edge: dns.quad9.net";
    QTest::newRow("Firefox") << "Firefox/Profiles/a1b2.default-release/prefs.js"
                             << QByteArray(R"(user_pref("network.trr.mode", 3);
user_pref("network.trr.uri", "https://mozilla.cloudflare-dns.com/dns-query");
)") << "Firefox: mozilla.cloudflare-dns.com";
}

void MacBrowserLocationsTest::findsProfilesUnderApplicationSupport() {
    QFETCH(QString, path);
    QFETCH(QByteArray, contents);
    QTemporaryDir home;
    const QString support = home.filePath(QStringLiteral("Library/Application Support/"));
    writeFile(support + path, contents);
    writeFile(support + QStringLiteral("Firefox/profiles.ini"),
              "[Profile0]\nName=default-release\nIsRelative=1\nPath=Profiles/a1b2.default-release\n");

    const MacBrowserLocations locations(home.path());
    QStringList owning;
    for (const BrowserFinding& finding :
         BrowserDNSBypassCheck(locations, QStringLiteral("dns.molvena.test")).run()) {
        if (finding.verdict == BrowserFinding::Verdict::ownDNS) {
            owning.append(finding.browser + QStringLiteral(": ") + finding.provider);
        }
    }
    QTEST(owning.join(QStringLiteral("; ")), "expected");
}

QTEST_GUILESS_MAIN(MacBrowserLocationsTest)
#include "MacBrowserLocationsTest.moc"
