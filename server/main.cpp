#include "MolvenaServer.h"
#include "StartupError.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// SIGTERM and SIGINT end the event loop, so the database closes cleanly (the WAL is checkpointed).
int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("molvena-server"));

    QString error;
    std::optional<molvena::server::ServerOptions> options =
        molvena::server::ServerOptions::fromArguments(QCoreApplication::arguments(), error);
    if (!options) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return error.startsWith(QLatin1String("Usage")) ? 0 : 2;
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        std::perror("socketpair");
        return 1;
    }
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &application, &QCoreApplication::quit);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);

    try {
        const QString importFile = options->importBlocklistFile;
        molvena::server::MolvenaServer server(std::move(*options));
        if (!importFile.isEmpty()) {
            std::fputs(qPrintable(server.importBlocklist(importFile)), stdout);
            return 0;
        }
        server.start();
        if (server.options().listenAddress.isLoopback()) {
            std::printf("molvena-server: loopback only, so only this machine reaches it; nginx in front "
                        "serves everyone else (deploy/)\n");
        } else {
            std::printf("molvena-server: WARNING: listening beyond loopback without the nginx front end\n");
        }
        std::printf("molvena-server listening on %s\n", qPrintable(server.apiBase().toString()));
        if (server.metricsPort() != 0) {
            std::printf("molvena-server metrics on port %u\n", unsigned(server.metricsPort()));
        }
        std::fflush(stdout);
        return application.exec();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "molvena-server: %s\n", failure.what());
        return 1;
    }
}
