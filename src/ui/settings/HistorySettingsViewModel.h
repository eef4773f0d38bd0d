#pragma once

#include "ScreenDependencies.h"

#include <QLocale>
#include <QObject>
#include <QString>
#include <QTimeZone>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

namespace molvena {

class PlayerSettingsViewModel;

// The settings page "Historik": the account's events as the backend recorded them, loaded each time
// the page is shown and on request.
class HistorySettingsViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The settings window makes it.")
    Q_PROPERTY(molvena::MacAccountStore* account READ account CONSTANT)
    // Maps of id, icon, positive (green tint, else red), title, subtitle (empty: no line), time.
    Q_PROPERTY(QVariantList rows READ rows NOTIFY changed)
    Q_PROPERTY(bool loading READ loading NOTIFY changed)
    Q_PROPERTY(bool showLoadingLine READ showLoadingLine NOTIFY changed)
    Q_PROPERTY(bool showEmpty READ showEmpty NOTIFY changed)
    Q_PROPERTY(QString refreshButtonText READ refreshButtonText NOTIFY changed)

public:
    HistorySettingsViewModel(const ScreenDependencies& dependencies, PlayerSettingsViewModel& window,
                             QObject* parent);

    // The symbol a row shows for an event's type, and whether it is good news (a green tint).
    static QString iconFor(const QString& type);
    static bool isPositive(const QString& type);

    MacAccountStore* account() const { return &m_d.account; }
    QVariantList rows() const;
    bool loading() const { return m_d.account.isLoadingHistory(); }
    bool showLoadingLine() const { return loading() && m_d.account.history().isEmpty(); }
    // Not beside a failed load's error: an empty list then says nothing about the account.
    bool showEmpty() const {
        return !loading() && m_d.account.history().isEmpty() && m_d.account.lastError().isEmpty();
    }
    QString refreshButtonText() const;

    Q_INVOKABLE void refresh();

    // The text with every e-mail address in it masked.
    static QString withMaskedAddresses(QString text);

signals:
    void changed();

private:
    ScreenDependencies m_d;
    // The user's own; the app makes Danish the default locale.
    QLocale m_locale;
    QTimeZone m_zone;
};

} // namespace molvena
