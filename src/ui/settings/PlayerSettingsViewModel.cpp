#include "PlayerSettingsViewModel.h"

#include "AccountSettingsViewModel.h"
#include "DeviceSettingsViewModel.h"
#include "HistorySettingsViewModel.h"
#include "PinSettingsViewModel.h"
#include "ProtectionSettingsViewModel.h"
#include "SpendingSettingsViewModel.h"
#include "SupportSettingsViewModel.h"
#include "app/DetachedTask.h"
#include "app/PublishedField.h"
#include "platform/DeviceNames.h"

#include <QVariantMap>

namespace molvena {

namespace {

struct Section {
    QString name;
    QString title;
    QString icon;
};

const QList<Section>& allSections() {
    static const QList<Section> sections{
        {QStringLiteral("account"), QStringLiteral("Din konto"), QStringLiteral("person.crop.circle")},
        {QStringLiteral("support"), QStringLiteral("Støttenetværk"), QStringLiteral("person.2.fill")},
        {QStringLiteral("pin"), QStringLiteral("Master PIN"), QStringLiteral("lock.shield.fill")},
        {QStringLiteral("spending"), QStringLiteral("Månedligt forbrug"), QStringLiteral("banknote.fill")},
        {QStringLiteral("protection"), QStringLiteral("Beskyttelse"),
         QStringLiteral("checkmark.shield.fill")},
        {QStringLiteral("history"), QStringLiteral("Historik"), QStringLiteral("clock.arrow.circlepath")},
        {QStringLiteral("device"), QStringLiteral("Denne ") + DeviceNames::forThisSystem().noun,
         QStringLiteral("desktopcomputer")},
    };
    return sections;
}

} // namespace

PlayerSettingsViewModel::PlayerSettingsViewModel(const ScreenDependencies& dependencies,
                                                 const QString& initialSection, QObject* parent)
    : QObject(parent), m_d(dependencies), m_connections(m_d.network, m_d.deployment.apiBase),
      m_selection(sectionNames().contains(initialSection) ? initialSection : QString()) {
    // What an earlier window left in the store belongs to that window.
    m_d.account.clearMessages();
    makePageModel();
}

const QStringList& PlayerSettingsViewModel::sectionNames() {
    static const QStringList names = [] {
        QStringList list;
        for (const Section& section : allSections()) {
            list.append(section.name);
        }
        return list;
    }();
    return names;
}

QString PlayerSettingsViewModel::sectionTitle(const QString& section) {
    for (const Section& candidate : allSections()) {
        if (candidate.name == section) {
            return candidate.title;
        }
    }
    return QString();
}

QVariantList PlayerSettingsViewModel::sections() const {
    QVariantList list;
    for (const Section& section : allSections()) {
        list.append(QVariantMap{{QStringLiteral("section"), section.name},
                                {QStringLiteral("title"), section.title},
                                {QStringLiteral("icon"), section.icon}});
    }
    return list;
}

QString PlayerSettingsViewModel::pageSection() const {
    return m_selection.isEmpty() ? QStringLiteral("account") : m_selection;
}

void PlayerSettingsViewModel::setSelection(const QString& section) {
    if (!section.isEmpty() && !sectionNames().contains(section)) {
        return;
    }
    if (!publish(*this, m_selection, section, &PlayerSettingsViewModel::selectionChanged)) {
        return;
    }
    // A message belongs to the page that caused it.
    m_d.account.clearMessages();
    makePageModel();
}

void PlayerSettingsViewModel::makePageModel() {
    QPointer<QObject> previous = m_pageModel;
    const QString section = pageSection();
    if (section == QLatin1String("account")) {
        m_pageModel = new AccountSettingsViewModel(m_d, *this, this);
    } else if (section == QLatin1String("support")) {
        m_pageModel = new SupportSettingsViewModel(m_d, *this, this);
    } else if (section == QLatin1String("pin")) {
        m_pageModel = new PinSettingsViewModel(m_d, *this, this);
    } else if (section == QLatin1String("spending")) {
        m_pageModel = new SpendingSettingsViewModel(m_d, *this, this);
    } else if (section == QLatin1String("protection")) {
        m_pageModel = new ProtectionSettingsViewModel(m_d, *this, this);
    } else if (section == QLatin1String("history")) {
        m_pageModel = new HistorySettingsViewModel(m_d, *this, this);
    } else {
        m_pageModel = new DeviceSettingsViewModel(m_d, *this, this);
    }
    emit pageModelChanged();
    // The old page is torn down by now or about to be (deferred); its model goes after it.
    if (previous) {
        previous->deleteLater();
    }
}

void PlayerSettingsViewModel::setShowDNSProfileSetup(bool show) {
    if (show == showDNSProfileSetup()) {
        return;
    }
    QPointer<MacDNSProfileSetupViewModel> previous = m_profileSheet;
    m_profileSheet = show ? new MacDNSProfileSetupViewModel(m_d.session, m_d.preferences, m_d.dns,
                                                            m_d.protectionMonitor, m_d.webProtection, this)
                          : nullptr;
    emit showDNSProfileSetupChanged();
    if (previous) {
        previous->deleteLater();
    }
}

void PlayerSettingsViewModel::setProtectionChecking(bool checking) {
    publish(*this, m_protectionChecking, checking, &PlayerSettingsViewModel::protectionCheckingChanged);
}

void PlayerSettingsViewModel::appeared() {
    if (m_refreshed) {
        return;
    }
    m_refreshed = true;
    startDetached(runRefresh(), QStringLiteral("The settings window's refresh"));
}

QCoro::Task<> PlayerSettingsViewModel::runRefresh() {
    QPointer self(this);
    // The store and the session outlive the window; the relatives list dies with it.
    MacAccountStore& account = m_d.account;
    AppSession& session = m_d.session;
    MacVPNDetector& vpn = m_d.vpn;
    try {
        co_await account.loadProfile(session);
        if (!self) {
            co_return;
        }
        co_await m_connections.refreshConnections(session.deviceToken());
        if (!self) {
            co_return;
        }
        vpn.start();
        vpn.refreshNow();
    } catch (...) {
        // Both owners show their own failures (the relatives list none at all).
    }
}

} // namespace molvena
