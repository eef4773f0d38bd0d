#include "HostLookup.h"

#include <QFutureWatcher>
#include <QPromise>

#include <qcoro/qcorosignal.h>

#include <netdb.h>
#include <sys/socket.h>
#include <thread>

namespace molvena {

namespace {

HostLookupResult resolveBlocking(const QByteArray& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const int status = ::getaddrinfo(host.constData(), nullptr, &hints, &list);
    HostLookupResult result;
    if (status != 0) {
        const bool nameDoesNotExist = status == EAI_NONAME
#ifdef EAI_NODATA
                                      || status == EAI_NODATA
#endif
            ;
        result.outcome = nameDoesNotExist ? HostLookupResult::Outcome::nameDoesNotExist
                                          : HostLookupResult::Outcome::failed;
        result.reason = QString::fromLocal8Bit(::gai_strerror(status));
        return result;
    }
    for (const addrinfo* entry = list; entry; entry = entry->ai_next) {
        const QHostAddress address(entry->ai_addr);
        if (!address.isNull() && !result.addresses.contains(address)) {
            result.addresses.append(address);
        }
    }
    ::freeaddrinfo(list);
    result.outcome = result.addresses.isEmpty() ? HostLookupResult::Outcome::nameDoesNotExist
                                                : HostLookupResult::Outcome::resolved;
    return result;
}

} // namespace

QCoro::Task<HostLookupResult> lookUpHostWithSystemResolver(QString host, std::chrono::milliseconds timeout) {
    if (const QHostAddress literal(host); !literal.isNull()) {
        co_return HostLookupResult{HostLookupResult::Outcome::resolved, {literal}, {}};
    }
    // getaddrinfo cannot be cancelled: a hung lookup keeps its own detached thread until the
    // resolver's own time-out ends it, and its late answer lands in a future nobody reads.
    QPromise<HostLookupResult> promise;
    QFuture<HostLookupResult> future = promise.future();
    promise.start();
    std::thread([promise = std::move(promise), name = host.toUtf8()]() mutable {
        promise.addResult(resolveBlocking(name));
        promise.finish();
    }).detach();

    QFutureWatcher<HostLookupResult> watcher;
    watcher.setFuture(future);
    if (!future.isFinished()) {
        co_await qCoro(&watcher, &QFutureWatcher<HostLookupResult>::finished, timeout);
    }
    if (!future.isFinished() || future.resultCount() == 0) {
        co_return HostLookupResult{
            HostLookupResult::Outcome::failed, {}, QStringLiteral("The name server did not answer in time.")};
    }
    co_return future.result();
}

} // namespace molvena
