import QtQuick
import Molvena

// A section this version does not have yet.
SettingsPage {
    id: root

    required property SettingsPlaceholderViewModel viewModel

    title: root.viewModel.title
    subtitle: "Denne del af indstillingerne kommer i en senere version af Molvena."
}
