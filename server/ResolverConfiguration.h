#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace molvena::server {

// The protective resolver's side of the blocklist: an Unbound include file in which every blocked
// domain, with all its subdomains, answers NXDOMAIN, and the command that makes Unbound load it.
// Unbound's own configuration includes the file; nothing else in it depends on the list, so each
// resolver instance of a deployment gets the same file and reloads without restarting.
class ResolverConfiguration {
public:
    // `includeFile` empty: no resolver is attached to this server. `reloadCommand` empty: the file
    // is written and picked up at the resolver's next start.
    ResolverConfiguration(QString includeFile, QStringList reloadCommand);

    bool isEnabled() const { return !m_includeFile.isEmpty(); }

    // The include file's text for these (normalised) domains.
    static QByteArray unboundZones(const QStringList& domains);

    // Writes the file whole (a reader never sees half a list) and runs the reload command. Returns
    // an empty text on success, otherwise what went wrong.
    QString apply(const QStringList& domains) const;

private:
    QString m_includeFile;
    QStringList m_reloadCommand;
};

} // namespace molvena::server
