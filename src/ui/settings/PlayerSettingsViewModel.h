#pragma once

#include "MacDNSProfileSetupViewModel.h"
#include "ScreenDependencies.h"
#include "account/PlayerConnectionStatusStore.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

namespace molvena {

// The settings window over the dashboard: the seven sections, the selected section's page model (made
// anew on every change, so a page's typed input dies with it), the profile sheet, and the window's own
// list of connected relatives. Opening refreshes the account and that list once.
class PlayerSettingsViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The dashboard makes it.")
    Q_PROPERTY(QString selection READ selection WRITE setSelection NOTIFY selectionChanged)
    // Maps of section (the raw value), title and icon, in the sidebar's order.
    Q_PROPERTY(QVariantList sections READ sections CONSTANT)
    Q_PROPERTY(QObject* pageModel READ pageModel NOTIFY pageModelChanged)
    // The section whose page pageModel belongs to: the account's while nothing is selected.
    Q_PROPERTY(QString pageSection READ pageSection NOTIFY pageModelChanged)
    Q_PROPERTY(bool showDNSProfileSetup READ showDNSProfileSetup WRITE setShowDNSProfileSetup NOTIFY
                   showDNSProfileSetupChanged)
    Q_PROPERTY(molvena::MacDNSProfileSetupViewModel* profileSheetModel READ profileSheetModel NOTIFY
                   showDNSProfileSetupChanged)
    Q_PROPERTY(bool protectionChecking READ protectionChecking WRITE setProtectionChecking NOTIFY
                   protectionCheckingChanged)
    Q_PROPERTY(molvena::MacAccountStore* account READ account CONSTANT)

public:
    // `dependencies` is copied: its objects outlive every window.
    PlayerSettingsViewModel(const ScreenDependencies& dependencies, const QString& initialSection,
                            QObject* parent = nullptr);

    // The sections by raw value, in order; the title of one ("" for an unknown raw value).
    static const QStringList& sectionNames();
    static QString sectionTitle(const QString& section);

    const ScreenDependencies& dependencies() const { return m_d; }
    PlayerConnectionStatusStore& connections() { return m_connections; }

    QString selection() const { return m_selection; }
    void setSelection(const QString& section);
    QVariantList sections() const;
    QObject* pageModel() const { return m_pageModel; }
    QString pageSection() const;
    bool showDNSProfileSetup() const { return m_profileSheet != nullptr; }
    void setShowDNSProfileSetup(bool show);
    MacDNSProfileSetupViewModel* profileSheetModel() const { return m_profileSheet; }
    bool protectionChecking() const { return m_protectionChecking; }
    void setProtectionChecking(bool checking);
    MacAccountStore* account() const { return &m_d.account; }

    // The window was shown: refresh once.
    Q_INVOKABLE void appeared();
    // "Luk indstillinger": closes at once; a running change still lands in the store.
    Q_INVOKABLE void close() { emit closeRequested(); }

    QCoro::Task<> runRefresh();

signals:
    void selectionChanged();
    void pageModelChanged();
    void showDNSProfileSetupChanged();
    void protectionCheckingChanged();
    void closeRequested();

private:
    void makePageModel();

    ScreenDependencies m_d;
    PlayerConnectionStatusStore m_connections;
    QString m_selection;
    QPointer<QObject> m_pageModel;
    QPointer<MacDNSProfileSetupViewModel> m_profileSheet;
    bool m_protectionChecking = false;
    bool m_refreshed = false;
};

} // namespace molvena
