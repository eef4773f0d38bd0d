#pragma once

#include "account/MacAccountStore.h"
#include "account/PlayerConnectionStatusStore.h"
#include "protection/DomainCountStore.h"
#include "protection/LaunchAtLoginManager.h"
#include "protection/MacDNSProtectionManager.h"
#include "protection/MacVPNDetector.h"
#include "session/AppSession.h"

#include <QObject>
#include <QtQml/qqml.h>

// The core's observable objects as QML sees them: read through the view models, never created there.
namespace molvena::qmlForeign {

struct AppSessionForeign {
    Q_GADGET
    QML_FOREIGN(molvena::AppSession)
    QML_NAMED_ELEMENT(AppSession)
    QML_UNCREATABLE("The application makes the one session.")
};

struct DomainCountStoreForeign {
    Q_GADGET
    QML_FOREIGN(molvena::DomainCountStore)
    QML_NAMED_ELEMENT(DomainCountStore)
    QML_UNCREATABLE("The application makes the one store.")
};

struct LaunchAtLoginManagerForeign {
    Q_GADGET
    QML_FOREIGN(molvena::LaunchAtLoginManager)
    QML_NAMED_ELEMENT(LaunchAtLoginManager)
    QML_UNCREATABLE("The application makes the one manager.")
};

struct MacAccountStoreForeign {
    Q_GADGET
    QML_FOREIGN(molvena::MacAccountStore)
    QML_NAMED_ELEMENT(MacAccountStore)
    QML_UNCREATABLE("The application makes the one store.")
};

struct PlayerConnectionStatusStoreForeign {
    Q_GADGET
    QML_FOREIGN(molvena::PlayerConnectionStatusStore)
    QML_NAMED_ELEMENT(PlayerConnectionStatusStore)
    QML_UNCREATABLE("Each screen that lists the relatives makes its own.")
};

struct MacDNSProtectionManagerForeign {
    Q_GADGET
    QML_FOREIGN(molvena::MacDNSProtectionManager)
    QML_NAMED_ELEMENT(MacDNSProtectionManager)
    QML_UNCREATABLE("The application makes the one manager.")
};

struct MacVPNDetectorForeign {
    Q_GADGET
    QML_FOREIGN(molvena::MacVPNDetector)
    QML_NAMED_ELEMENT(MacVPNDetector)
    QML_UNCREATABLE("The application makes the one detector.")
};

} // namespace molvena::qmlForeign
