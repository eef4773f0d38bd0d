#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>

namespace molvena {

// What the system's resolver said about one host name.
struct HostLookupResult {
    enum class Outcome {
        resolved,         // the name has addresses
        nameDoesNotExist, // a resolver answered that the name does not exist (NXDOMAIN)
        failed,           // no answer: no network, unreachable or failing name server, time-out
    };

    Outcome outcome = Outcome::failed;
    QList<QHostAddress> addresses;
    QString reason; // failed: why, in the system's words

    bool isResolved() const { return outcome == Outcome::resolved; }
};

// Looks a host name up; must answer within the time-out (with `failed` when the resolver does not).
using HostLookup =
    std::function<QCoro::Task<HostLookupResult>(QString host, std::chrono::milliseconds timeout)>;

// Asks the system resolver itself (getaddrinfo on a thread of its own), so no cache of this process
// answers and "the name does not exist" stays apart from "no name server answered", which Qt's own
// lookups fold into one "host not found". A literal address resolves to itself without a query.
QCoro::Task<HostLookupResult> lookUpHostWithSystemResolver(QString host, std::chrono::milliseconds timeout);

} // namespace molvena
