import QtQuick
import Molvena
import QtQuick.Window
import QtQuick.Controls.Basic

// The one window: exactly one screen over the page background, chosen by the root view model.
ApplicationWindow {
    id: window

    required property AppViewModel app

    width: 1180
    height: 760
    minimumWidth: 1080
    minimumHeight: 720
    visible: true
    title: "Molvena"
    color: MolvenaTheme.canvas
    // The screens are drawn for the light appearance whatever the system uses.
    palette.window: MolvenaTheme.canvas
    palette.windowText: MolvenaTheme.ink
    palette.base: MolvenaTheme.card
    palette.text: MolvenaTheme.ink
    palette.button: MolvenaTheme.card
    palette.buttonText: MolvenaTheme.navyDeep
    font.family: MolvenaTheme.fontFamily

    function sourceFor(screenName: string): string {
        switch (screenName) {
        case "RoleSelection":
            return "onboarding/RoleSelectionView.qml";
        case "PlayerSetup":
            return "onboarding/PlayerSetupView.qml";
        case "ProtectionSetup":
            return "protection/ProtectionSetupView.qml";
        case "PlayerDashboard":
            return "dashboard/PlayerDashboardView.qml";
        case "RelativePairing":
            return "relative/RelativePairingView.qml";
        case "RelativeDashboard":
            return "relative/RelativeDashboardView.qml";
        case "AccountRecovery":
            return "recovery/AccountRecoveryView.qml";
        }
        return "";
    }

    function showScreen() {
        screen.setSource(Qt.resolvedUrl(sourceFor(app.screenName)), {
            "viewModel": app.screenModel
        });
    }

    Loader {
        id: screen
        objectName: "screen"
        anchors.fill: parent
        focus: true
    }

    NoticeBanner {
        objectName: "notice"
        app: window.app
        anchors.top: parent.top
        anchors.topMargin: 18
        anchors.horizontalCenter: parent.horizontalCenter
        z: 1
    }

    Connections {
        target: window.app
        function onScreenChanged() {
            window.showScreen();
        }
    }

    Component.onCompleted: {
        showScreen();
        app.rootViewShown();
    }
}
