#pragma once

#include <QTcpServer>

namespace molvena::server {

// The listening socket of the server, in front of Qt HttpServer's own request parser (which reads
// headers and bodies whole and has no time-outs). It reads along with every connection and cuts it
// before the parser is fed: too many connections, a header block or body over the limits, ambiguous
// framing (a body length given twice, or together with chunked encoding, which is refused
// altogether), a request that takes too long to arrive, a keep-alive connection left idle.
class ConnectionGuard : public QTcpServer {
    Q_OBJECT
public:
    struct Limits {
        int maximumConnections = 512;
        qsizetype maximumHeaderBytes = 16 * 1024;
        qsizetype maximumBodyBytes = 64 * 1024;
        int requestMilliseconds = 10'000; // from the first byte of a request to its last
        int idleMilliseconds = 30'000;    // between requests on one connection
    };

    explicit ConnectionGuard(Limits limits, QObject* parent = nullptr);

    int openConnections() const { return m_open; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    Limits m_limits;
    int m_open = 0;
};

} // namespace molvena::server
