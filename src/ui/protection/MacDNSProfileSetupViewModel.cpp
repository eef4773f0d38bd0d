#include "MacDNSProfileSetupViewModel.h"

#include "app/DetachedTask.h"
#include "session/PreferenceKeys.h"

#include <QPointer>
#include <algorithm>

namespace molvena {

MacDNSProfileSetupViewModel::MacDNSProfileSetupViewModel(AppSession& session, PreferenceStore& preferences,
                                                         MacDNSProtectionManager& dns,
                                                         MacProtectionMonitor& monitor,
                                                         WebProtectionInstaller& installer, QObject* parent)
    : QObject(parent), m_session(session), m_preferences(preferences), m_dns(dns), m_monitor(monitor),
      m_installer(installer), m_texts(WebProtectionTexts::forMethod(installer.method())) {
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
    if (installsSystemResolver()) {
        startDetached(runInstall(again), QStringLiteral("The web-protection installation"));
    } else {
        startDetached(runDownload(again), QStringLiteral("The profile download"));
    }
}

void MacDNSProfileSetupViewModel::remove() {
    if (!buttonsEnabled() || !installsSystemResolver()) {
        return;
    }
    startDetached(runRemove(), QStringLiteral("The web-protection removal"));
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
        // A profile that came but found no browser is no fault of the connection.
        const bool noBrowser = m_dns.detailText() == WebProtectionTexts::browserRefusedDetail();
        set(m_step, false, noBrowser ? WebProtectionTexts::browserRefusedMessage() : m_texts.startFailed);
        co_return;
    }
    set(std::max(m_step, 1), false, again ? m_texts.startedAgain : m_texts.started);
}

QCoro::Task<> MacDNSProfileSetupViewModel::runInstall(bool again) {
    QPointer self(this);
    // As with a confirmation: once blocking is verified, the evaluation must outlive the sheet.
    MacProtectionMonitor& monitor = m_monitor;
    MacDNSProtectionManager& dns = m_dns;
    set(m_step, true, QString());
    const WebProtectionInstaller::Outcome outcome = co_await m_installer.install();
    if (!self) {
        co_return;
    }
    using Kind = WebProtectionInstaller::Outcome::Kind;
    if (outcome.kind != Kind::done) {
        set(m_step, false,
            outcome.kind == Kind::notApproved   ? WebProtectionTexts::notApproved()
            : outcome.kind == Kind::unsupported ? WebProtectionTexts::unsupportedSystem(outcome.detail)
                                                : m_texts.startFailed);
        co_return;
    }
    set(2, true, again ? m_texts.startedAgain : m_texts.started);
    const MacDNSProtectionState state = co_await dns.verify();
    if (state == MacDNSProtectionState::active) {
        if (self) {
            set(3, false, QString());
        }
        co_await monitor.evaluate(QStringLiteral("dns_profile_verified"));
        co_return;
    }
    if (self) {
        set(2, false,
            state == MacDNSProtectionState::inactive ? m_texts.notYetActive : m_texts.couldNotCheck);
    }
}

QCoro::Task<> MacDNSProfileSetupViewModel::runRemove() {
    QPointer self(this);
    MacProtectionMonitor& monitor = m_monitor;
    m_removing = true;
    set(m_step, true, QString());
    const WebProtectionInstaller::Outcome outcome = co_await m_installer.remove();
    if (self) {
        m_removing = false;
    }
    if (outcome.kind != WebProtectionInstaller::Outcome::Kind::done) {
        if (self) {
            set(m_step, false,
                outcome.kind == WebProtectionInstaller::Outcome::Kind::notApproved
                    ? WebProtectionTexts::removeNotApproved()
                    : WebProtectionTexts::removeFailed());
        }
        co_return;
    }
    // The monitor sees the layer gone, shows it and tells the relatives, as after any removal.
    co_await monitor.evaluate(QStringLiteral("dns_protection_removed"));
    if (self) {
        set(0, false, WebProtectionTexts::removed());
    }
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
        set(std::max(m_step, 2), false, m_texts.notYetActive);
    } else {
        set(m_step, false, m_texts.couldNotCheck);
    }
}

} // namespace molvena
