#pragma once

#include "AbuseLimits.h"

#include <QList>
#include <QString>

namespace molvena::server {

// The networks a client address lies in, as the limits judge them: an IPv4 address and its /24; an
// IPv6 address and its /64, /56 and /48. One person rarely spans more than one of these, while an
// attacker who wants many addresses gets them from one network, so each network shares one budget.
class ClientNetwork {
public:
    struct Budget {
        QString subject; // the address or the network in CIDR form
        limits::Window window;
    };

    // The address (IPv4-mapped IPv6 read as IPv4) and each of its networks with their window.
    static QList<Budget> budgets(const QString& address, const limits::NetworkWindows& windows);
    // The widest network judged (/24 or /48), or the address itself when it cannot be read.
    static QString widest(const QString& address);
};

} // namespace molvena::server
