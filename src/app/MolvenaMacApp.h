#pragma once

#include <QObject>
#include <QQmlApplicationEngine>
#include <QString>

#include <qcoro/qcorotask.h>

class QQuickWindow;

namespace molvena {

// The application entry: owns the QML engine and the long-lived objects, opens the one window and
// runs the start-up sequence on the main thread's event loop.
class MolvenaMacApp : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString startupText READ startupText NOTIFY startupTextChanged)
public:
    explicit MolvenaMacApp(QObject* parent = nullptr);

    // Loads the root QML and starts the start-up sequence; false when the QML could not be loaded.
    bool show();
    QQuickWindow* window() const;

    QString startupText() const { return m_startupText; }

signals:
    void startupTextChanged();

private:
    QCoro::Task<> runStartupSequence();

    QQmlApplicationEngine m_engine;
    QString m_startupText = QStringLiteral("Molvena starter…");
};

} // namespace molvena
