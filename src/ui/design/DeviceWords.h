#pragma once

#include "platform/DeviceNames.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace molvena {

// The computer's names as the screens write them: `DeviceWords.noun` is "Mac" on a Mac and
// "computer" on Linux.
class DeviceWords : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString noun READ noun CONSTANT)
    Q_PROPERTY(QString definite READ definite CONSTANT)
    Q_PROPERTY(QString genitive READ genitive CONSTANT)
    Q_PROPERTY(QString platform READ platform CONSTANT)
    Q_PROPERTY(QString browsers READ browsers CONSTANT)

public:
    explicit DeviceWords(QObject* parent = nullptr) : QObject(parent) {}

    QString noun() const { return m_names.noun; }
    QString definite() const { return m_names.definite; }
    QString genitive() const { return m_names.genitive; }
    QString platform() const { return m_names.platform; }
    QString browsers() const { return m_names.browsers; }

private:
    const DeviceNames m_names = DeviceNames::forThisSystem();
};

} // namespace molvena
