#include "XdgOpen.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace molvena {

namespace {
// xdg-open hands the URL to a running desktop and ends at once, or ends at once with an error when
// nothing handles it. Without a desktop it may run the handler itself and wait for it to close;
// still running after this long, it has found one.
constexpr int kDecidedWithinMilliseconds = 1500;
} // namespace

XdgOpen::XdgOpen(QStringList path) : m_path(std::move(path)) {}

bool XdgOpen::open(const QUrl& url) const {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"), m_path);
    if (program.isEmpty()) {
        return QDesktopServices::openUrl(url);
    }
    // Owned by the application until it ends: a handler xdg-open waits for must outlive this call.
    auto* process = new QProcess(QCoreApplication::instance());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            process->deleteLater();
        }
    });
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(program, {url.isLocalFile() ? url.toLocalFile() : url.toString()});
    if (!process->waitForStarted()) {
        return false;
    }
    if (!process->waitForFinished(kDecidedWithinMilliseconds)) {
        return true;
    }
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

} // namespace molvena
