#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace molvena::server {

// A blocklist as operators bring it, read into clean domain names. One file may mix the usual
// formats: one domain per line, hosts files ("0.0.0.0 domain ..."), and ad-block rules
// ("||domain^"). Comments ("#", "!") and blank lines are skipped; every other line that yields no
// usable domain is reported with its reason, so the operator can see what was left out.
struct BlocklistImport {
    struct Rejection {
        int line = 0;   // from 1
        QString text;   // the line as it was (cut to 200 characters)
        QString reason; // in plain words
    };

    QStringList domains; // lower case, ASCII (IDNs in punycode), no trailing dot, each once, in file order
    QList<Rejection> rejected;
    int duplicates = 0;

    static BlocklistImport parse(const QByteArray& text);

    // "<n> domains, <n> duplicates, <n> lines rejected" and one line per rejection (the first 50).
    QString report() const;
};

} // namespace molvena::server
