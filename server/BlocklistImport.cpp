#include "BlocklistImport.h"

#include <QHostAddress>
#include <QSet>
#include <QUrl>

namespace molvena::server {

namespace {

// Names that hosts files carry for the machine itself, not sites to block.
const QSet<QString> kHostsFileNames = {
    QStringLiteral("localhost"),      QStringLiteral("localhost.localdomain"), QStringLiteral("local"),
    QStringLiteral("broadcasthost"),  QStringLiteral("ip6-localhost"),         QStringLiteral("ip6-loopback"),
    QStringLiteral("ip6-localnet"),   QStringLiteral("ip6-mcastprefix"),       QStringLiteral("ip6-allnodes"),
    QStringLiteral("ip6-allrouters"), QStringLiteral("ip6-allhosts"),          QStringLiteral("0.0.0.0"),
};

bool isLabel(QStringView label) {
    if (label.isEmpty() || label.size() > 63 || label.startsWith(u'-') || label.endsWith(u'-')) {
        return false;
    }
    for (const QChar c : label) {
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-')) {
            return false;
        }
    }
    return true;
}

// The domain in normal form, or the reason it is none.
QString normalise(QString name, QString& reason) {
    name = name.trimmed().toLower();
    if (name.startsWith(QLatin1String("*."))) {
        name = name.mid(2); // subdomains are blocked with their domain anyway
    }
    if (name.startsWith(QLatin1Char('.'))) {
        name = name.mid(1);
    }
    if (name.endsWith(QLatin1Char('.'))) {
        name.chop(1);
    }
    if (!QHostAddress(name).isNull()) {
        reason = QStringLiteral("an IP address, not a domain");
        return {};
    }
    if (kHostsFileNames.contains(name)) {
        reason = QStringLiteral("a name of the machine itself");
        return {};
    }
    const QString ascii = QString::fromLatin1(QUrl::toAce(name, QUrl::IgnoreIDNWhitelist));
    if (ascii.isEmpty() || ascii.size() > 253) {
        reason = QStringLiteral("not a valid domain name");
        return {};
    }
    const QList<QStringView> labels = QStringView(ascii).split(u'.');
    if (labels.size() < 2) {
        reason = QStringLiteral("a single label, not a domain");
        return {};
    }
    for (const QStringView label : labels) {
        if (!isLabel(label)) {
            reason = QStringLiteral("not a valid domain name");
            return {};
        }
    }
    bool numeric = false;
    (void)labels.last().toInt(&numeric);
    if (numeric) {
        reason = QStringLiteral("not a valid domain name");
        return {};
    }
    return ascii;
}

} // namespace

BlocklistImport BlocklistImport::parse(const QByteArray& text) {
    BlocklistImport result;
    QSet<QString> seen;
    int lineNumber = 0;
    for (const QByteArray& rawLine : text.split('\n')) {
        ++lineNumber;
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char('!'))) {
            continue;
        }
        const auto reject = [&](const QString& reason) {
            result.rejected.append({lineNumber, line.left(200), reason});
        };
        QStringList names;
        if (line.startsWith(QLatin1String("@@"))) {
            reject(QStringLiteral("an exception rule; nothing is allowed through here"));
            continue;
        } else if (line.startsWith(QLatin1String("||"))) {
            const qsizetype end = line.indexOf(QLatin1Char('^'));
            if (end < 0 || end != line.size() - 1) {
                reject(QStringLiteral("only whole-domain rules (||domain^) can be blocked by name"));
                continue;
            }
            names.append(line.mid(2, end - 2));
        } else {
            QStringList fields = line.section(QLatin1Char('#'), 0, 0).simplified().split(QLatin1Char(' '));
            if (fields.size() > 1 && !QHostAddress(fields.first()).isNull()) {
                fields.removeFirst(); // a hosts-file line: the address, then its names
            } else if (fields.size() > 1) {
                reject(QStringLiteral("more than one word, and not a hosts-file line"));
                continue;
            }
            names = fields;
        }
        for (const QString& name : std::as_const(names)) {
            QString reason;
            const QString domain = normalise(name, reason);
            if (domain.isEmpty()) {
                reject(reason);
            } else if (seen.contains(domain)) {
                ++result.duplicates;
            } else {
                seen.insert(domain);
                result.domains.append(domain);
            }
        }
    }
    return result;
}

QString BlocklistImport::report() const {
    QString text = QStringLiteral("%1 domains, %2 duplicates, %3 lines rejected\n")
                       .arg(domains.size())
                       .arg(duplicates)
                       .arg(rejected.size());
    for (qsizetype i = 0; i < std::min<qsizetype>(rejected.size(), 50); ++i) {
        text += QStringLiteral("  line %1: %2 (%3)\n")
                    .arg(rejected[i].line)
                    .arg(rejected[i].text, rejected[i].reason);
    }
    if (rejected.size() > 50) {
        text += QStringLiteral("  ... and %1 more\n").arg(rejected.size() - 50);
    }
    return text;
}

} // namespace molvena::server
