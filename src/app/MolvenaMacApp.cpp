#include "MolvenaMacApp.h"

#include "ApplicationFont.h"
#include "app/DetachedTask.h"

#include <QDateTime>
#include <QLocale>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

#ifdef Q_OS_MACOS
#include "macos/MacWindowStyle.h"
#endif

Q_IMPORT_QML_PLUGIN(MolvenaPlugin)

namespace molvena {

MolvenaMacApp::MolvenaMacApp(AppConfiguration configuration, QObject* parent)
    : QObject(parent), m_configuration(std::move(configuration)),
      m_api(m_configuration.deployment.apiBase, m_configuration.deployment.blockProxy, m_network,
            APIClient::defaultTimeout, *m_configuration.adapters.deviceInfo),
      m_session(*m_configuration.preferences),
      m_launchAtLogin(*m_configuration.adapters.loginItems, *m_configuration.adapters.workspace),
      m_dns(*m_configuration.preferences, *m_configuration.adapters.workspace, m_network,
            m_configuration.deployment),
      m_vpn(*m_configuration.adapters.networkPaths, *m_configuration.adapters.workspace),
      m_account(m_api, *m_configuration.preferences),
      m_domainCount(*m_configuration.preferences, m_network, m_configuration.deployment.apiBase),
      m_browserCheck(*m_configuration.adapters.browserLocations, m_configuration.deployment.resolverHostName),
      m_protectionMonitor(m_launchAtLogin, m_dns, m_vpn, m_browserCheck, m_api, *m_configuration.preferences,
                          *m_configuration.adapters.heartbeatTimer, m_configuration.monitorSchedule),
      m_startup(*m_configuration.adapters.deviceInfo, m_vpn, m_launchAtLogin, m_dns, m_domainCount,
                m_protectionMonitor),
      m_rootViewModel(ScreenDependencies{
          .session = m_session,
          .api = m_api,
          .network = m_network,
          .deployment = m_configuration.deployment,
          .preferences = *m_configuration.preferences,
          .launchAtLogin = m_launchAtLogin,
          .dns = m_dns,
          .vpn = m_vpn,
          .account = m_account,
          .domainCount = m_domainCount,
          .protectionMonitor = m_protectionMonitor,
          .workspace = *m_configuration.adapters.workspace,
          .deviceInfo = *m_configuration.adapters.deviceInfo,
          .startup = m_startup,
          .now = [] { return QDateTime::currentDateTime(); },
      }) {
    useApplicationFont();
    // The app speaks Danish throughout: calendars start on Monday with Danish day and month names.
    QLocale::setDefault(QLocale(QLocale::Danish, QLocale::Denmark));
    // 6.4 does not search the resource root for the module's own sub-folders by itself.
    m_engine.addImportPath(QStringLiteral("qrc:/"));
    m_engine.setInitialProperties({{QStringLiteral("app"), QVariant::fromValue(&m_rootViewModel)}});
}

bool MolvenaMacApp::show() {
    if (!window()) {
        m_engine.load(QUrl(QStringLiteral("qrc:/Molvena/Main.qml")));
        if (!window()) {
            return false;
        }
#ifdef Q_OS_MACOS
        applyMacWindowStyle(window()->winId());
#endif
    }
    // One window, one start-up: showing again does not start the sequence twice.
    if (!m_startupStarted) {
        m_startupStarted = true;
        startDetached(m_startup.run(), QStringLiteral("The start-up sequence"));
    }
    return true;
}

QQuickWindow* MolvenaMacApp::window() const {
    const auto roots = m_engine.rootObjects();
    return roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(roots.first());
}

} // namespace molvena
