pragma ComponentBehavior: Bound
import QtQuick
import Molvena
import QtQuick.Layouts

// The player's main screen: days without gambling, the three layers, the pairing code with the
// connected relatives, and the block list.
Item {
    id: root

    required property PlayerDashboardViewModel viewModel

    Component.onCompleted: root.viewModel.appeared()

    Flickable {
        id: scroller
        anchors.fill: parent
        contentHeight: page.implicitHeight + 64
        clip: true
        boundsBehavior: Flickable.StopAtBounds

        ColumnLayout {
            id: page
            x: 40
            y: 28
            width: parent.width - 80
            spacing: 18

            DashboardHeader {
                viewModel: root.viewModel
                onMenuRequested: menu.visible = !menu.visible
            }

            // Banner, at most one.
            DashboardBanner {
                viewModel: root.viewModel
            }

            BrowserBypassCard {
                objectName: "browserBypassCard"
                Layout.fillWidth: true
                bypasses: root.viewModel.monitor.browserBypasses
            }

            RowLayout {
                Layout.fillWidth: true
                spacing: 18

                // Left: progress and protection.
                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.preferredWidth: 3
                    Layout.alignment: Qt.AlignTop
                    spacing: 18

                    ProgressCard {
                        viewModel: root.viewModel
                    }

                    ProtectionCard {
                        viewModel: root.viewModel
                    }
                }

                // Right: support and block list.
                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.preferredWidth: 2
                    Layout.alignment: Qt.AlignTop
                    spacing: 18

                    ConnectionCard {
                        viewModel: root.viewModel
                    }

                    BlockListCard {
                        viewModel: root.viewModel
                    }
                }
            }
        }
    }

    KeepInView {
        flickable: scroller
    }

    // The header menu, over the page.
    DashboardMenu {
        id: menu
        anchors.fill: parent
        onSettingsChosen: root.viewModel.openSettings("account")
        onLogOutChosen: root.viewModel.logOut()
    }

    // The settings window, made anew each time it opens.
    // The window's model is handed over once: on closing its view goes without seeing a null model.
    Repeater {
        model: root.viewModel.settings !== null ? [root.viewModel.settings] : []
        delegate: Item {
            id: settingsHolder
            required property PlayerSettingsViewModel modelData
            width: root.width
            height: root.height
            PlayerSettingsView {
                anchors.fill: parent
                viewModel: settingsHolder.modelData
            }
        }
    }
}
