#pragma once

#include "ScreenDependencies.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace molvena {

class PlayerSettingsViewModel;

// A section this version does not have yet: its title, and a plain word that it is coming.
class SettingsPlaceholderViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The settings window makes it.")
    Q_PROPERTY(QString title READ title CONSTANT)

public:
    SettingsPlaceholderViewModel(const ScreenDependencies& dependencies, PlayerSettingsViewModel& window,
                                 QObject* parent = nullptr);

    QString title() const { return m_title; }

private:
    QString m_title;
};

} // namespace molvena
