// molvena-dns-helper, Linux's root helper, run on a folder standing in for "/": per name service it
// writes what that service reads and records its reload, touches nothing else, and removal puts back
// every byte, link, owner and mode. Whatever it is asked beyond its operations, it refuses.

#include "ProtectionTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest/QtTest>

#include <unistd.h>

#include <functional>

using namespace molvena::test;

namespace {

const QString kHelper = QStringLiteral(MOLVENA_DNS_HELPER_PROGRAM);
const QByteArray kResolverFile =
    "# test\naddress = 10.53.0.1\naddress = fd53::1\ntls-name = dns.molvena.test\n";
// Where this build's helper keeps them, below its root.
const QString kResolverPath = QStringLiteral(MOLVENA_HELPER_SYSCONFDIR "/molvena/resolver.conf").mid(1);
const QString kStatePrefix = QStringLiteral(MOLVENA_HELPER_LOCALSTATEDIR "/lib/molvena/dns-helper").mid(1);

// A folder laid out as a computer's root: files, links, modes and running programs (/proc/N/comm).
class FakeRoot {
public:
    QString path(const QString& relative) const { return m_folder.filePath(relative); }
    void write(const QString& relative, const QByteArray& contents,
               QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                QFile::ReadOther) {
        writeFile(path(relative), contents);
        QVERIFY(QFile::setPermissions(path(relative), permissions));
    }
    void link(const QString& relative, const QString& target) {
        QDir().mkpath(QFileInfo(path(relative)).path());
        QVERIFY(QFile::link(target, path(relative)));
    }
    void running(const QString& command) {
        static int pid = 100;
        write(QStringLiteral("proc/%1/comm").arg(++pid), command.toUtf8() + '\n');
    }

    // Every path with what it is (f, d or l), its mode and a link's target or a file's contents.
    QMap<QString, QByteArray> tree() const {
        QMap<QString, QByteArray> entries;
        const QString found = runCommand(QStringLiteral("find"),
                                         {m_folder.path(), QStringLiteral("-mindepth"), QStringLiteral("1"),
                                          QStringLiteral("-printf"), QStringLiteral("%P\t%y %m %l\n")})
                                  .output;
        for (const QString& line : found.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QString relative = line.section(QLatin1Char('\t'), 0, 0);
            const QByteArray what = line.section(QLatin1Char('\t'), 1).toUtf8();
            entries[relative] = what + (what.startsWith('f') ? readFile(path(relative)) : QByteArray());
        }
        return entries;
    }

private:
    QTemporaryDir m_folder;
};

// The helper run on the fake root.
CommandResult helper(const FakeRoot& root, const QStringList& arguments) {
    return runCommand(kHelper, QStringList{QStringLiteral("--root"), root.path(QString())} + arguments);
}

QStringList changedPaths(const QMap<QString, QByteArray>& before, const QMap<QString, QByteArray>& after) {
    QStringList changed;
    for (const QString& path : QSet<QString>(before.keyBegin(), before.keyEnd()) +
                                   QSet<QString>(after.keyBegin(), after.keyEnd())) {
        if (before.value(path, "absent") != after.value(path, "absent")) {
            changed.append(path);
        }
    }
    return changed;
}

using Setup = std::function<void(FakeRoot&)>;

} // namespace

Q_DECLARE_METATYPE(Setup)

class DnsHelperTest : public QObject {
    Q_OBJECT
private slots:
    void installsAndRestoresEachNameService_data();
    void installsAndRestoresEachNameService();
    void refusesWhatItDoesNotDo_data();
    void refusesWhatItDoesNotDo();
    void runsThroughPkexecWithItsOwnAction();
};

void DnsHelperTest::installsAndRestoresEachNameService_data() {
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("written");      // the one file the service reads
    QTest::addColumn<QStringList>("contains"); // lines it must hold
    QTest::addColumn<QString>("reload");       // the command it would run, or empty

    QTest::newRow("systemd-resolved, drop-in folder made and removed again")
        << Setup([](FakeRoot& root) {
               root.running(QStringLiteral("systemd-resolve"));
               root.running(QStringLiteral("NetworkManager")); // feeds systemd-resolved here
               root.write(QStringLiteral("run/systemd/resolve/stub-resolv.conf"), "nameserver 127.0.0.53\n");
               root.link(QStringLiteral("etc/resolv.conf"),
                         QStringLiteral("../run/systemd/resolve/stub-resolv.conf"));
               root.write(QStringLiteral("etc/systemd/resolved.conf"), "[Resolve]\n");
           })
        << QStringLiteral("etc/systemd/resolved.conf.d/90-molvena.conf")
        << QStringList{QStringLiteral("DNS=10.53.0.1#dns.molvena.test fd53::1#dns.molvena.test"),
                       QStringLiteral("Domains=~."), QStringLiteral("DNSOverTLS=opportunistic")}
        << QStringLiteral("/bin/systemctl try-restart systemd-resolved.service");
    QTest::newRow("NetworkManager, its drop-in a link before")
        << Setup([](FakeRoot& root) {
               root.running(QStringLiteral("NetworkManager"));
               root.write(QStringLiteral("etc/NetworkManager/conf.d/10-site.conf"), "[main]\ndns=default\n");
               root.link(QStringLiteral("etc/NetworkManager/conf.d/90-molvena-dns.conf"),
                         QStringLiteral("/usr/share/site/dns.conf"));
           })
        << QStringLiteral("etc/NetworkManager/conf.d/90-molvena-dns.conf")
        << QStringList{QStringLiteral("[global-dns-domain-*]"), QStringLiteral("servers=10.53.0.1,fd53::1")}
        << QStringLiteral("/bin/systemctl try-reload-or-restart NetworkManager.service");
    QTest::newRow("plain resolv.conf, nothing rewrites it")
        << Setup([](FakeRoot& root) {
               root.running(QStringLiteral("bash"));
               root.write(QStringLiteral("etc/resolv.conf"), "# site\nnameserver 192.168.1.1\nsearch lan\n",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
           })
        << QStringLiteral("etc/resolv.conf")
        << QStringList{QStringLiteral("nameserver 10.53.0.1"), QStringLiteral("nameserver fd53::1")}
        << QString();
}

void DnsHelperTest::installsAndRestoresEachNameService() {
    QFETCH(Setup, setup);
    QFETCH(QString, written);
    QFETCH(QStringList, contains);
    QFETCH(QString, reload);
    FakeRoot root;
    setup(root);
    root.write(kResolverPath, kResolverFile);
    const QMap<QString, QByteArray> before = root.tree();
    QCOMPARE(helper(root, {QStringLiteral("status")}).output, QStringLiteral("not-installed\n"));

    const CommandResult installed = helper(root, {QStringLiteral("install")});
    QVERIFY2(installed.exitCode == 0, qPrintable(installed.output));
    QCOMPARE(installed.output.contains(QStringLiteral("reload: ") + reload), !reload.isEmpty());
    const QMap<QString, QByteArray> after = root.tree();
    QVERIFY2(after.value(written).startsWith("f 644 "), after.value(written).constData());
    for (const QString& line : contains) {
        QVERIFY2(after.value(written).contains(line.toUtf8() + '\n'), qPrintable(line));
    }
    // Only its own file, the folders it needed and its record of what was there.
    for (const QString& path : changedPaths(before, after)) {
        const bool ownFile = path == written || written.startsWith(path + QLatin1Char('/'));
        const bool ownRecord = kStatePrefix.startsWith(path) || path.startsWith(kStatePrefix);
        QVERIFY2(ownFile || ownRecord, qPrintable(path));
    }
    // Installing again changes nothing and keeps the first record of what was there.
    QCOMPARE(helper(root, {QStringLiteral("install")}).exitCode, 0);
    QCOMPARE(root.tree(), after);

    const CommandResult removed = helper(root, {QStringLiteral("remove")});
    QVERIFY2(removed.exitCode == 0, qPrintable(removed.output));
    // Every byte, link and mode as before; only the state folder's parents stay, empty.
    for (const QString& path : changedPaths(before, root.tree())) {
        QVERIFY2(kStatePrefix.startsWith(path) && !before.contains(path), qPrintable(path));
    }
    QCOMPARE(helper(root, {QStringLiteral("remove")}).exitCode, 0);
}

void DnsHelperTest::refusesWhatItDoesNotDo_data() {
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");

    const Setup plain = [](FakeRoot& root) {
        root.write(QStringLiteral("etc/resolv.conf"), "nameserver 192.168.1.1\n");
        root.write(kResolverPath, kResolverFile);
    };
    // An address from the caller, and a root folder under pkexec: runsThroughPkexecWithItsOwnAction's.
    QTest::newRow("resolv.conf rewritten by a DHCP client") << Setup([plain](FakeRoot& root) {
        plain(root);
        root.running(QStringLiteral("dhclient"));
    }) << 69 << QStringLiteral("skrives om af dhclient");
    QTest::newRow("resolv.conf a link to resolvconf's file") << Setup([](FakeRoot& root) {
        root.write(kResolverPath, kResolverFile);
        root.write(QStringLiteral("run/resolvconf/resolv.conf"), "nameserver 192.168.1.1\n");
        root.link(QStringLiteral("etc/resolv.conf"), QStringLiteral("../run/resolvconf/resolv.conf"));
    }) << 69 << QStringLiteral("styres af et andet program");
    QTest::newRow("a resolver file others can change") << Setup([plain](FakeRoot& root) {
        plain(root);
        root.write(kResolverPath, kResolverFile, QFile::ReadOwner | QFile::WriteOwner | QFile::WriteOther);
    }) << 65 << QStringLiteral("kun kunne ændres af root");
    QTest::newRow("a resolver file with a line to inject") << Setup([plain](FakeRoot& root) {
        plain(root);
        root.write(kResolverPath, kResolverFile + "address = 10.0.0.1\nnameserver 6.6.6.6\n");
    }) << 65 << QStringLiteral("nameserver 6.6.6.6");
}

void DnsHelperTest::refusesWhatItDoesNotDo() {
    QFETCH(Setup, setup);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    FakeRoot root;
    setup(root);
    const QMap<QString, QByteArray> before = root.tree();
    const CommandResult run = helper(root, {QStringLiteral("install")});
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.output.contains(says), qPrintable(run.output));
    QCOMPARE(root.tree(), before);
}

// The way the app starts it: pkexec, authorised by polkitd through the helper's own action, on a
// system bus of the test's own. In a private mount namespace, so the system's /etc/resolv.conf, bus
// socket and polkit actions stay as they are; root is authorised without a password prompt.
void DnsHelperTest::runsThroughPkexecWithItsOwnAction() {
    if (::geteuid() != 0) {
        QSKIP("Starting a system bus and polkitd needs root (CI runs as root).");
    }
    QTemporaryDir folder;
    // The action as installed, naming the helper where this build has it.
    const QByteArray policy = readFile(QStringLiteral(MOLVENA_DNS_HELPER_POLICY));
    QVERIFY(policy.contains(MOLVENA_DNS_HELPER_INSTALLED));
    writeFile(folder.filePath(QStringLiteral("actions/dk.molvena.dns-helper.policy")),
              QByteArray(policy).replace(MOLVENA_DNS_HELPER_INSTALLED, kHelper.toUtf8()));
    QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("scratch"))));
    // Every folder the helper writes in becomes an overlay whose changes land in a tmpfs.
    const QString script = QStringLiteral(R"sh(
set -u
[ -x /usr/bin/pkexec ] && [ -x /usr/bin/dbus-daemon ] && [ -x /usr/lib/polkit-1/polkitd ] ||
    { echo "pkexec, dbus-daemon or polkitd missing (scripts/install-dependencies.sh)"; exit 90; }
mount -t tmpfs tmpfs "$1/scratch" && mount -t tmpfs tmpfs /run/dbus || exit 90
mount --bind "$1/actions" /usr/share/polkit-1/actions || exit 90
seen=" "
overlay() { # the folder, or the nearest one above it that exists
    local at="$2"
    while [ ! -d "$at" ]; do at="$(dirname "$at")"; done
    [[ "$seen" == *" $at "* ]] && return
    seen+="$at "
    mkdir -p "$1/scratch/up$at" "$1/scratch/work$at"
    mount -t overlay overlay -o "lowerdir=$at,upperdir=$1/scratch/up$at,workdir=$1/scratch/work$at" "$at" || exit 91
}
for folder in /etc "$(dirname "$3")" "$4/lib"; do overlay "$1" "$folder"; done
rm -f /etc/resolv.conf && printf 'nameserver 192.168.1.1\n' > /etc/resolv.conf
mkdir -p "$(dirname "$3")" && printf 'address = 10.53.0.1\ntls-name = dns.molvena.test\n' > "$3"
dbus-daemon --system --nofork --nopidfile & bus=$!
sleep 0.5
/usr/lib/polkit-1/polkitd --no-debug & polkit=$!
trap 'kill $polkit $bus' EXIT
sleep 1
pkexec "$2" --root "$1" status; echo "status under pkexec with a root folder: $?"
pkexec "$2" install 10.0.0.1; echo "install with an address: $?"
pkexec "$2" install; echo "install: $?"
cat /etc/resolv.conf
pkexec "$2" remove; echo "remove: $?"
cat /etc/resolv.conf
)sh");
    const auto [exitCode, output] = runCommand(
        QStringLiteral("unshare"),
        {QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
         QStringLiteral("bash"), QStringLiteral("-c"), script, QStringLiteral("pkexec-test"), folder.path(),
         kHelper, QStringLiteral(MOLVENA_HELPER_SYSCONFDIR "/molvena/resolver.conf"),
         QStringLiteral(MOLVENA_HELPER_LOCALSTATEDIR)},
        30000);
    if (exitCode == 90 || exitCode == 91) {
        QSKIP(qPrintable(QStringLiteral("No polkit, private bus or overlay here: ") + output));
    }
    if (output.contains(QLatin1String("skrives om af")) || output.contains(QLatin1String("styres af"))) {
        QSKIP(qPrintable(QStringLiteral("This machine's resolv.conf is managed: ") + output));
    }
    for (const char* expected : {"--root gælder kun", "status under pkexec with a root folder: 77",
                                 "install with an address: 64", "install: 0\n# Written by molvena-dns-helper",
                                 "nameserver 10.53.0.1\n", "remove: 0\nnameserver 192.168.1.1\n"}) {
        QVERIFY2(output.contains(QString::fromUtf8(expected)), qPrintable(output));
    }
}

QTEST_GUILESS_MAIN(DnsHelperTest)
#include "DnsHelperTest.moc"
