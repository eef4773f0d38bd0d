#include "ClientNetwork.h"

#include <QHostAddress>

namespace molvena::server {

namespace {

QString ipv6Network(const QHostAddress& address, int prefixLength) {
    Q_IPV6ADDR bytes = address.toIPv6Address();
    for (int bit = prefixLength; bit < 128; ++bit) {
        bytes[bit / 8] &= quint8(~(0x80 >> (bit % 8)));
    }
    return QHostAddress(bytes).toString() + QLatin1Char('/') + QString::number(prefixLength);
}

QHostAddress parsed(const QString& text) {
    QHostAddress address(text);
    bool mapped = false;
    const quint32 ipv4 = address.toIPv4Address(&mapped);
    return mapped ? QHostAddress(ipv4) : address;
}

} // namespace

QList<ClientNetwork::Budget> ClientNetwork::budgets(const QString& text,
                                                    const limits::NetworkWindows& windows) {
    const QHostAddress address = parsed(text);
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        const quint32 net24 = address.toIPv4Address() & 0xFFFFFF00u;
        return {{address.toString(), windows.address},
                {QHostAddress(net24).toString() + QStringLiteral("/24"), windows.ipv4Net24}};
    }
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        return {{address.toString(), windows.address},
                {ipv6Network(address, 64), windows.ipv6Net64},
                {ipv6Network(address, 56), windows.ipv6Net56},
                {ipv6Network(address, 48), windows.ipv6Net48}};
    }
    return {{text, windows.address}};
}

QString ClientNetwork::widest(const QString& text) {
    const QHostAddress address = parsed(text);
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        return QHostAddress(address.toIPv4Address() & 0xFFFFFF00u).toString() + QStringLiteral("/24");
    }
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        return ipv6Network(address, 48);
    }
    return text;
}

} // namespace molvena::server
