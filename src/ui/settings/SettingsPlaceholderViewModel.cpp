#include "SettingsPlaceholderViewModel.h"

#include "PlayerSettingsViewModel.h"

namespace molvena {

SettingsPlaceholderViewModel::SettingsPlaceholderViewModel(const ScreenDependencies&,
                                                           PlayerSettingsViewModel& window, QObject* parent)
    : QObject(parent), m_title(PlayerSettingsViewModel::sectionTitle(window.pageSection())) {}

} // namespace molvena
