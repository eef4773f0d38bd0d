#include "MacDNSProfileSetupViewModel.h"

#include "app/DetachedTask.h"
#include "session/PreferenceKeys.h"

#include <QPointer>
#include <algorithm>

namespace molvena {

MacDNSProfileSetupViewModel::MacDNSProfileSetupViewModel(AppSession& session, PreferenceStore& preferences,
                                                         MacDNSProtectionManager& dns,
                                                         MacProtectionMonitor& monitor, QObject* parent)
    : QObject(parent), m_session(session), m_preferences(preferences), m_dns(dns), m_monitor(monitor) {
    connect(&m_dns, &MacDNSProtectionManager::isCheckingChanged, this, &MacDNSProfileSetupViewModel::changed);
    connect(&m_dns, &MacDNSProtectionManager::stateChanged, this, &MacDNSProfileSetupViewModel::changed);
}

void MacDNSProfileSetupViewModel::set(int step, bool working, const QString& message) {
    m_step = step;
    m_working = working;
    m_message = message;
    emit changed();
}

void MacDNSProfileSetupViewModel::openProfilesSettings() {
    if (!m_dns.openProfilesSettings()) {
        set(m_step, m_working,
            QStringLiteral("Molvena kunne ikke åbne systemets indstillinger. Åbn dem fra systemets menu, og "
                           "følg trinnene ovenfor."));
    }
}

void MacDNSProfileSetupViewModel::appeared() {
    startDetached(runAppeared(), QStringLiteral("The profile sheet's first check"));
}

void MacDNSProfileSetupViewModel::download(bool again) {
    if (!buttonsEnabled()) {
        return;
    }
    startDetached(runDownload(again), QStringLiteral("The profile download"));
}

void MacDNSProfileSetupViewModel::confirm() {
    if (!buttonsEnabled()) {
        return;
    }
    startDetached(runConfirm(), QStringLiteral("The profile confirmation"));
}

QCoro::Task<> MacDNSProfileSetupViewModel::runAppeared() {
    QPointer self(this);
    const MacDNSProtectionState state = co_await m_dns.verify();
    if (!self) {
        co_return;
    }
    if (state == MacDNSProtectionState::active) {
        set(3, m_working, m_message);
    } else if (m_dns.profileWasRequested() ||
               m_preferences.boolean(preferenceKeys::macDNSProfileWasRequested)) {
        // A profile was downloaded before, possibly in an earlier run.
        set(std::max(m_step, 1), m_working, m_message);
    }
}

QCoro::Task<> MacDNSProfileSetupViewModel::runDownload(bool again) {
    QPointer self(this);
    set(m_step, true, QString());
    bool requested = false;
    try {
        requested = co_await m_dns.requestProfile(m_session.deviceToken());
    } catch (...) {
        requested = false;
    }
    if (!self) {
        co_return;
    }
    if (!requested) {
        set(m_step, false,
            QStringLiteral(
                "Kunne ikke hente beskyttelsesprofilen. Kontrollér internetforbindelsen og prøv igen."));
        co_return;
    }
    set(std::max(m_step, 1), false,
        again
            ? QStringLiteral("Download af en ny profil er startet i din browser. Åbn .mobileconfig-filen og "
                             "gennemfør installationen.")
            : QStringLiteral(
                  "Download af profilen er startet i din browser. Åbn .mobileconfig-filen, "
                  "gennemfør installationen i Systemindstillinger, og vend derefter tilbage hertil."));
}

QCoro::Task<> MacDNSProfileSetupViewModel::runConfirm() {
    QPointer self(this);
    // A confirmed profile completes the setup, and the root view replaces the screen and this sheet
    // with it: the evaluation must not depend on the sheet still being there.
    MacProtectionMonitor& monitor = m_monitor;
    set(m_step, true, QString());
    const MacDNSProtectionState state = co_await m_dns.verify();
    if (state == MacDNSProtectionState::active) {
        if (self) {
            set(3, false, QString());
        }
        co_await monitor.evaluate(QStringLiteral("dns_profile_verified"));
        co_return;
    }
    if (!self) {
        co_return;
    }
    if (state == MacDNSProtectionState::inactive) {
        set(std::max(m_step, 2), false,
            QStringLiteral("Beskyttelsen er endnu ikke aktiv. Kontrollér, at ‘Molvena DNS’ er installeret i "
                           "Enhedsstyring, og prøv igen."));
    } else {
        set(m_step, false,
            QStringLiteral(
                "Molvena kunne ikke kontrollere beskyttelsen lige nu. Kontrollér internetforbindelsen "
                "og prøv igen om et øjeblik."));
    }
}

} // namespace molvena
