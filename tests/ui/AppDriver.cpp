#include "AppDriver.h"
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <QDir>
#include <QKeyEvent>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <QtTest/QtTest>

#include <csignal>
#include <sys/prctl.h>

namespace molvena::test {

namespace {

QList<QQuickItem*> visibleItemsNamed(QQuickItem* root, const QString& objectName) {
    QList<QQuickItem*> found;
    if (!root->isVisible()) {
        return found;
    }
    if (root->objectName() == objectName) {
        found.append(root);
    }
    for (QQuickItem* child : root->childItems()) {
        found.append(visibleItemsNamed(child, objectName));
    }
    return found;
}

} // namespace

BackendProcess::BackendProcess() {
    start();
}

BackendProcess::~BackendProcess() {
    stop();
}

void BackendProcess::start() {
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    // A test that crashes must not leave its server behind.
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process->start(QStringLiteral(MOLVENA_SERVER_BINARY),
                     {QStringLiteral("--listen"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                      QString::number(m_port), QStringLiteral("--data"), dataFolder()});
    static const QRegularExpression listening(QStringLiteral("listening on (http://\\S+)"));
    QByteArray output;
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && !listening.match(QString::fromUtf8(output)).hasMatch()) {
        QVERIFY2(m_process->state() != QProcess::NotRunning || m_process->waitForStarted(100),
                 output.constData());
        m_process->waitForReadyRead(100);
        output += m_process->readAll();
    }
    const QRegularExpressionMatch match = listening.match(QString::fromUtf8(output));
    QVERIFY2(match.hasMatch(), output.constData());
    m_apiBase = QUrl(match.captured(1));
    m_port = m_apiBase.port();
}

void BackendProcess::stop() {
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        m_process->waitForFinished(5000);
    }
    m_process.reset();
}

int BackendProcess::confirmMailedAddresses(const QString& kind, int expected) const {
    static const QRegularExpression link(QStringLiteral("http\\S*confirm_\\w+\\.php\\?token=[0-9a-f]+"));
    const QDir outbox(QDir(dataFolder()).filePath(QStringLiteral("outbox")));
    const QStringList pattern{QStringLiteral("*-") + kind + QStringLiteral(".eml")};
    // The server writes its mail after the reply, on a thread of its own.
    (void)QTest::qWaitFor([&] { return outbox.entryList(pattern, QDir::Files).size() >= expected; }, 5000);
    QNetworkAccessManager network;
    int confirmed = 0;
    for (const QString& name : outbox.entryList(pattern, QDir::Files, QDir::Name)) {
        QFile mail(outbox.filePath(name));
        if (!mail.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QUrl url(link.match(QString::fromUtf8(mail.readAll())).captured(0));
        // The link opens a page; its button posts the token (a GET alone confirms nothing).
        QNetworkRequest request(url.adjusted(QUrl::RemoveQuery));
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-www-form-urlencoded"));
        std::unique_ptr<QNetworkReply> reply(network.post(request, url.query().toUtf8()));
        if (QTest::qWaitFor([&] { return reply->isFinished(); }, 5000) &&
            reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200) {
            ++confirmed;
        }
    }
    return confirmed;
}

QList<QVariantList> BackendProcess::rows(const QString& sql) const {
    const QString connection = QUuid::createUuid().toString();
    QList<QVariantList> result;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(QDir(dataFolder()).filePath(QStringLiteral("molvena.sqlite")));
        database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (database.open()) {
            QSqlQuery query(database);
            if (query.exec(sql)) {
                while (query.next()) {
                    QVariantList row;
                    for (int column = 0; column < query.record().count(); ++column) {
                        row.append(query.value(column));
                    }
                    result.append(row);
                }
            }
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return result;
}

Deployment AppDriver::blockedDeployment(const BackendProcess& backend) {
    // Nothing listens on the discard port, so the probes find every gambling site blocked.
    const QUrl blocked(QStringLiteral("http://127.0.0.1:9/"));
    return Deployment{
        .apiBase = backend.apiBase(),
        .blockProxy = backend.apiBase().resolved(QUrl(QStringLiteral("/shield_blocked"))),
        .canaryURL = blocked,
        .probeURLs = {blocked, blocked, blocked},
        .resolverHostName = QStringLiteral("dns.molvena.test"),
    };
}

AppDriver::AppDriver(const BackendProcess& backend)
    : AppDriver(PlatformAdapters::forThisSystem(), blockedDeployment(backend)) {}

AppDriver::AppDriver(PlatformAdapters adapters, Deployment deployment)
    : AppDriver(std::move(adapters), std::move(deployment), [](PreferenceStore&) {}) {}

AppDriver::AppDriver(PlatformAdapters adapters, Deployment deployment,
                     const std::function<void(PreferenceStore&)>& seed) {
    seed(m_preferences.store());
    m_app = std::make_unique<MolvenaMacApp>(AppConfiguration{
        .adapters = std::move(adapters),
        .deployment = std::move(deployment),
        .preferences = m_preferences.reopen(),
        .monitorSchedule = {},
    });
    QVERIFY(m_app->show());
    QVERIFY(QTest::qWaitForWindowExposed(m_app->window()));
}

QQuickItem* AppDriver::item(const QString& objectName) {
    QList<QQuickItem*> found;
    // A screen change can still be on its way through the event loop.
    (void)QTest::qWaitFor(
        [&] { return !(found = visibleItemsNamed(window().contentItem(), objectName)).isEmpty(); }, 3000);
    if (found.isEmpty()) {
        QTest::qFail(qPrintable(QStringLiteral("no visible item named ") + objectName), __FILE__, __LINE__);
        return nullptr;
    }
    return found.first();
}

bool AppDriver::isShown(const QString& objectName) {
    return !visibleItemsNamed(window().contentItem(), objectName).isEmpty();
}

// Scrolls the nearest scrolling ancestor so the item is in the window, as a user would first.
static void scrollIntoView(QQuickItem* target) {
    for (QQuickItem* ancestor = target->parentItem(); ancestor; ancestor = ancestor->parentItem()) {
        if (!ancestor->inherits("QQuickFlickable")) {
            continue;
        }
        const QRectF shown(0, 0, ancestor->width(), ancestor->height());
        const QRectF bounds = target->mapRectToItem(ancestor, target->boundingRect());
        if (shown.contains(bounds)) {
            return;
        }
        const qreal contentY = ancestor->property("contentY").toReal();
        const qreal maxY = ancestor->property("contentHeight").toReal() - ancestor->height();
        const qreal wanted = contentY + bounds.center().y() - ancestor->height() / 2;
        ancestor->setProperty("contentY", qBound<qreal>(0, wanted, qMax<qreal>(0, maxY)));
        return;
    }
}

void AppDriver::click(const QString& objectName) {
    QQuickItem* target = item(objectName);
    if (!target) {
        return;
    }
    scrollIntoView(target);
    QCoreApplication::processEvents();
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(&window(), Qt::LeftButton, {}, centre.toPoint());
    QCoreApplication::processEvents();
}

void AppDriver::type(const QString& objectName, const QString& text) {
    click(objectName);
    // Character by character, as the keyboard delivers them, whatever the script.
    for (const QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(character));
        QCoreApplication::sendEvent(&window(), &press);
        QCoreApplication::sendEvent(&window(), &release);
    }
    QCoreApplication::processEvents();
}

void AppDriver::retype(const QString& objectName, const QString& text) {
    click(objectName);
    QTest::keySequence(&window(), QKeySequence::SelectAll);
    QTest::keyClick(&window(), Qt::Key_Backspace);
    type(objectName, text);
}

QString AppDriver::textOf(const QString& objectName) {
    QQuickItem* target = item(objectName);
    return target ? target->property("text").toString() : QString();
}

void AppDriver::resize(const QSize& size) {
    window().resize(size);
    QTRY_COMPARE(window().size(), size);
}

void AppDriver::screenshot(const QString& name) {
    // Past the screens' short entrance animations.
    QTest::qWait(300);
    const QString path = artifactsFolder() + QLatin1Char('/') + name + QStringLiteral(".png");
    QVERIFY2(window().grabWindow().save(path), qPrintable(path));
}

} // namespace molvena::test
