#include "MolvenaMacApp.h"

#include "app/DebugLog.h"

#include <QCoreApplication>
#include <QQmlContext>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

#include <qcoro/qcorotimer.h>

#include <chrono>

Q_IMPORT_QML_PLUGIN(MolvenaPlugin)

namespace molvena {

using namespace std::chrono_literals;

MolvenaMacApp::MolvenaMacApp(QObject* parent) : QObject(parent) {
    m_engine.rootContext()->setContextProperty(QStringLiteral("molvenaApp"), this);
}

bool MolvenaMacApp::show() {
    m_engine.load(QUrl(QStringLiteral("qrc:/Molvena/Main.qml")));
    if (m_engine.rootObjects().isEmpty()) {
        return false;
    }
    runStartupSequence();
    return true;
}

QQuickWindow* MolvenaMacApp::window() const {
    const auto roots = m_engine.rootObjects();
    return roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(roots.first());
}

QCoro::Task<> MolvenaMacApp::runStartupSequence() {
    debugLog("APP", [] { return QStringLiteral("========== MOLVENA DEBUG SESSION START =========="); });
    debugLog("APP", [] { return QStringLiteral("bundlePath=") + QCoreApplication::applicationDirPath(); });
    co_await QCoro::sleepFor(1s);
    m_startupText = QStringLiteral("Molvena er klar");
    emit startupTextChanged();
}

} // namespace molvena
