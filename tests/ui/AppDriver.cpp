#include "AppDriver.h"
#include "AccessibilityAudit.h"

#include "FixedDeviceInfo.h"
#include "NoBrowsers.h"
#include "ProtectionTestSupport.h"
#include "SteadyHeartbeatTimer.h"
#include "TaskTesting.h"
#ifdef Q_OS_MACOS
#include "macos/ProfileDownloadInstaller.h"
#endif
#include <QAccessible>
#include <QDir>
#include <QKeyEvent>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <QtTest/QtTest>

namespace molvena::test {

using namespace Qt::StringLiterals;

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

void BackendProcess::start() {
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_apiBase = startServer(
        *m_process, QStringLiteral(MOLVENA_SERVER_BINARY),
        {u"--listen"_s, u"127.0.0.1"_s, u"--port"_s, QString::number(m_port), u"--data"_s, dataFolder()});
    m_port = m_apiBase.port(0);
}

void BackendProcess::stop() {
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        m_process->waitForFinished(5000);
    }
    m_process.reset();
}

int BackendProcess::confirmMailedAddresses(const QString& kind, int expected) const {
    static const QRegularExpression link(u"http\\S*confirm_\\w+\\.php\\?token=[0-9a-f]+"_s);
    const QDir outbox(QDir(dataFolder()).filePath(u"outbox"_s));
    const QStringList pattern{u"*-"_s + kind + u".eml"_s};
    // The server writes its mail after the reply, on a thread of its own.
    (void)QTest::qWaitFor([&] { return outbox.entryList(pattern, QDir::Files).size() >= expected; }, 5000);
    QNetworkAccessManager network;
    int confirmed = 0;
    for (const QString& name : outbox.entryList(pattern, QDir::Files, QDir::Name)) {
        const QUrl url(link.match(QString::fromUtf8(readFile(outbox.filePath(name)))).captured(0));
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
        QSqlDatabase database = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
        database.setDatabaseName(QDir(dataFolder()).filePath(u"molvena.sqlite"_s));
        database.setConnectOptions(u"QSQLITE_OPEN_READONLY"_s);
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
    // The names StandInResolver blocks. The backend goes by name: its lookup is the verification's
    // proof that names resolve at all.
    const auto site = [](const char* name) { return QUrl(u"http://%1:9/"_s.arg(QLatin1String(name))); };
    QUrl apiBase = backend.apiBase();
    apiBase.setHost(u"localhost"_s);
    return Deployment{
        .apiBase = apiBase,
        .blockProxy = apiBase.resolved(QUrl(u"/shield_blocked"_s)),
        .canaryURL = site("canary.molvena.test"),
        .probeURLs = {site("www.danskespil.test"), site("www.bet365.test"), site("www.unibet.test")},
        .resolverHostName = u"dns.molvena.test"_s,
    };
}

namespace {

// Linux's own adapters, harmless in the test's private home; a Mac runner's login items and
// workspace must not be driven, so there recording stand-ins take their place. Names resolve as
// StandInResolver has them.
PlatformAdapters journeyAdapters() {
#ifdef Q_OS_MACOS
    return PlatformAdapters{.loginItems = std::make_unique<test::ScriptedLoginItemService>(),
                            .networkPaths = std::make_unique<test::DrivenPathMonitor>(),
                            .workspace = std::make_unique<test::RecordingWorkspace>(),
                            .deviceInfo = std::make_unique<test::FixedDeviceInfo>(),
                            .heartbeatTimer = std::make_unique<test::SteadyHeartbeatTimer>(),
                            .browserLocations = std::make_unique<test::NoBrowsers>(),
                            .webProtection = std::make_unique<ProfileDownloadInstaller>(),
                            .hostLookup = StandInResolver().lookup()};
#else
    PlatformAdapters adapters = PlatformAdapters::forThisSystem();
    adapters.hostLookup = StandInResolver().lookup();
    return adapters;
#endif
}

} // namespace

AppDriver::AppDriver(const BackendProcess& backend)
    : AppDriver(journeyAdapters(), blockedDeployment(backend)) {}

AppDriver::AppDriver(PlatformAdapters adapters, Deployment deployment) {
    // Accessibility is on before the window's items exist, as a screen reader turns it on.
    QAccessible::setActive(true);
    m_app = std::make_unique<MolvenaMacApp>(AppConfiguration{
        .adapters = std::move(adapters),
        .deployment = std::move(deployment),
        .preferences = m_preferences.reopen(),
        .monitorSchedule = {},
    });
    QVERIFY(m_app->show());
    QVERIFY(QTest::qWaitForWindowExposed(m_app->window()));
}

AppDriver::~AppDriver() {
    if (m_app) {
        QTRY_VERIFY_WITH_TIMEOUT(m_app->protectionMonitor().isStarted() && !m_app->dns().isChecking(), 10000);
    }
}

void AppDriver::signInAsPlayer(const QString& email, const QString& pairingCode) {
    AppSession& session = m_app->session();
    const QString name = u"Anna Jensen"_s;
    const QString pin = u"1234"_s;
    const QDateTime lastBet = QDateTime::currentDateTime().addDays(-3);
    const auto registered =
        runTask(m_app->api().registerMacDevice(name, email, pin, pairingCode, session.deviceToken()));
    const auto saved =
        runTask(m_app->api().savePlayerProfile(session.deviceToken(), lastBet, u"online"_s, u"Poker"_s, 500));
    QVERIFY(registered.finished && !registered.error && saved.finished && !saved.error);
    session.setPlayerName(name);
    session.setPlayerEmail(email);
    session.setMasterPIN(pin);
    session.setPairingCode(pairingCode);
    session.setLastGamblingDate(double(lastBet.toSecsSinceEpoch()));
    session.selectRole(UserRole::player);
    session.completeSetup();
}

QQuickItem* AppDriver::item(const QString& objectName) {
    QList<QQuickItem*> found;
    // A screen change can still be on its way through the event loop.
    (void)QTest::qWaitFor(
        [&] { return !(found = visibleItemsNamed(window().contentItem(), objectName)).isEmpty(); }, 5000);
    if (found.isEmpty()) {
        QTest::qFail(qPrintable(u"no visible item named "_s + objectName), __FILE__, __LINE__);
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
    // A layout that just changed grows its scroll area only at the next polish: scroll until the
    // centre is really in the window.
    const auto centreShown = [&] {
        scrollIntoView(target);
        QCoreApplication::processEvents();
        const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        return QRectF(QPointF(0, 0), window().size()).contains(centre);
    };
    (void)QTest::qWaitFor(centreShown, 2000);
    const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
    QTest::mouseClick(&window(), Qt::LeftButton, {}, centre.toPoint());
    QCoreApplication::processEvents();
}

void AppDriver::press(const QString& objectName) {
    QQuickItem* target = item(objectName);
    QAccessibleInterface* face = target ? QAccessible::queryAccessibleInterface(target) : nullptr;
    QVERIFY2(face && face->actionInterface(), qPrintable(objectName));
    face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
}

void AppDriver::go(const QString& button, const QString& screen) {
    click(button);
    QTRY_COMPARE_WITH_TIMEOUT(screenName(), screen, 10000);
}

void AppDriver::clickThenRead(const QString& button, const QString& label, const QString& text) {
    click(button);
    QTRY_COMPARE(textOf(label), text);
}

bool AppDriver::pressUntil(const QString& button, const std::function<bool()>& done) {
    for (int attempt = 0; attempt < 5 && !done(); ++attempt) {
        const auto ready = [&] { return done() || (isShown(button) && item(button)->isEnabled()); };
        if (QTest::qWaitFor(ready, 8000) && !done()) {
            click(button);
        }
        (void)QTest::qWaitFor(done, 4000);
    }
    return done();
}

void AppDriver::openSettings(const QString& section) {
    click(u"headerMenuButton"_s);
    click(u"menuSettings"_s);
    if (!section.isEmpty()) {
        click(u"section_"_s + section);
    }
}

void AppDriver::closeSettings() {
    click(u"closeSettings"_s);
    QTRY_VERIFY(!isShown(u"settingsWindow"_s));
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

void AppDriver::key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(&window(), key, modifiers);
    QCoreApplication::processEvents();
}

QString AppDriver::focusedName() {
    QQuickItem* focused = window().activeFocusItem();
    QAccessibleInterface* face = focused ? QAccessible::queryAccessibleInterface(focused) : nullptr;
    return face ? face->text(QAccessible::Name) : QString();
}

bool AppDriver::tabTo(const QString& name) {
    for (int presses = 0; presses < 60; ++presses) {
        if (focusedName() == name) {
            return true;
        }
        key(Qt::Key_Tab);
    }
    return false;
}

void AppDriver::screenshot(const QString& name) {
    // Past the screens' short entrance animations.
    QTest::qWait(300);
    const QString path = artifactsFolder() + QLatin1Char('/') + name + u".png"_s;
    QVERIFY2(window().grabWindow().save(path), qPrintable(path));
    // Every state a journey shows is also checked for what a screen reader gets of it.
    const AccessibilityAudit audit = AccessibilityAudit::of(window());
    qInfo().noquote() << "accessibility" << audit.row(name);
    QStringList faults = audit.faultyControls;
    for (const QString& text : audit.textsMissing) {
        faults << u"text not in tree: "_s + text;
    }
    const QString listed = faults.join(u"\n  "_s);
    if (qEnvironmentVariableIsSet("MOLVENA_ACCESSIBILITY_SURVEY")) {
        if (!faults.isEmpty()) {
            qInfo().noquote() << "  " + listed;
        }
        return;
    }
    QVERIFY2(audit.clean(), qPrintable(name + u":\n  "_s + listed));
}

} // namespace molvena::test
