#pragma once

#include <QString>
#include <QStringList>

class QQuickWindow;

namespace molvena::test {

// What a screen reader finds on the window as it is now, against what a sighted user sees: every
// control a user acts on needs a name and an action (a field only a name), a control's name must
// say what its label says, and every visible text must be somewhere in the accessibility tree.
struct AccessibilityAudit {
    int controls = 0;
    QStringList faultyControls;
    int textsOnScreen = 0;
    QStringList textsMissing;

    static AccessibilityAudit of(QQuickWindow& window);
    // One row of the per-screen table the journeys print.
    QString row(const QString& screen) const;
    bool clean() const { return faultyControls.isEmpty() && textsMissing.isEmpty(); }
};

} // namespace molvena::test
