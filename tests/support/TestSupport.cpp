#include "TestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace molvena::test {

TemporaryPreferences::TemporaryPreferences() : m_store(std::make_unique<PreferenceStore>(path())) {}

QString TemporaryPreferences::path() const {
    return m_folder.filePath(QStringLiteral("preferences.ini"));
}

std::unique_ptr<PreferenceStore> TemporaryPreferences::reopen() const {
    return std::make_unique<PreferenceStore>(path());
}

QUrl startServer(QProcess& server, const QString& program, const QStringList& arguments) {
#ifdef Q_OS_LINUX
    server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    server.start(program, arguments);
    static const QRegularExpression listening(QStringLiteral("listening on (http://\\S+)"));
    QByteArray output;
    QRegularExpressionMatch match;
    (void)QTest::qWaitFor(
        [&] {
            output += server.readAllStandardOutput();
            match = listening.match(QString::fromUtf8(output));
            return match.hasMatch() || server.state() == QProcess::NotRunning;
        },
        10000);
    if (!match.hasMatch()) {
        QTest::qFail((output + server.readAllStandardError()).constData(), __FILE__, __LINE__);
    }
    return QUrl(match.captured(1));
}

QString artifactsFolder() {
    QString folder = qEnvironmentVariable("MOLVENA_TEST_ARTIFACTS");
    if (folder.isEmpty()) {
        folder = QDir::temp().filePath(QStringLiteral("molvena-test-artifacts"));
    }
    QDir().mkpath(folder);
    return folder;
}

} // namespace molvena::test
