#include "AccessibilityAudit.h"

#include <QAccessible>
#include <QMetaMethod>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>

namespace molvena::test {

namespace {

// The roles a user acts on; anything else reachable by Tab counts too.
bool isControlRole(QAccessible::Role role) {
    static const QSet<QAccessible::Role> controls = {
        QAccessible::Button,       QAccessible::Link,     QAccessible::CheckBox, QAccessible::RadioButton,
        QAccessible::EditableText, QAccessible::ComboBox, QAccessible::PageTab,  QAccessible::MenuItem};
    return controls.contains(role);
}

bool shows(const QQuickItem* item) {
    for (const QQuickItem* at = item; at; at = at->parentItem()) {
        if (!at->isVisible() || qFuzzyIsNull(at->opacity())) {
            return false;
        }
    }
    return true;
}

// Whether the QML declared what the press action does: an unhandled press reports success to the
// screen reader and does nothing.
bool handlesPress(QObject* item) {
    for (QObject* child : item->children()) {
        if (qstrcmp(child->metaObject()->className(), "QQuickAccessibleAttached") != 0) {
            continue;
        }
        struct Probe : QObject {
            static bool connected(QObject* object, const QMetaMethod& signal) {
                return static_cast<Probe*>(object)->isSignalConnected(signal);
            }
        };
        const int index = child->metaObject()->indexOfSignal("pressAction()");
        return index >= 0 && Probe::connected(child, child->metaObject()->method(index));
    }
    return false;
}

// The texts a sighted user reads on or inside `root`, not counting those inside a nested control.
void visibleTexts(QQuickItem* root, QStringList& texts) {
    if (!shows(root)) {
        return;
    }
    const QString text =
        root->inherits("QQuickText") ? root->property("text").toString().simplified() : QString();
    if (!text.isEmpty()) {
        texts.append(text);
    }
    for (QQuickItem* child : root->childItems()) {
        visibleTexts(child, texts);
    }
}

struct Node {
    QAccessibleInterface* face;
    QString words;
};

void walk(QAccessibleInterface* face, QList<Node>& nodes, int depth = 0) {
    if (!face || !face->isValid() || depth > 256 || face->state().invisible) {
        return;
    }
    nodes.append(
        {face, (face->text(QAccessible::Name) + QLatin1Char(' ') + face->text(QAccessible::Description) +
                QLatin1Char(' ') + face->text(QAccessible::Value))
                   .simplified()});
    for (int i = 0; i < face->childCount(); ++i) {
        walk(face->child(i), nodes, depth + 1);
    }
}

QString describe(QAccessibleInterface* face) {
    QObject* object = face->object();
    const QString id = object && !object->objectName().isEmpty()
                           ? object->objectName()
                           : QString::fromLatin1(object ? object->metaObject()->className() : "?");
    return QStringLiteral("%1 «%2»").arg(id, face->text(QAccessible::Name));
}

} // namespace

AccessibilityAudit AccessibilityAudit::of(QQuickWindow& window) {
    AccessibilityAudit audit;
    QList<Node> nodes;
    walk(QAccessible::queryAccessibleInterface(&window), nodes);

    for (const Node& node : nodes) {
        auto* item = qobject_cast<QQuickItem*>(node.face->object());
        const QAccessible::Role role = node.face->role();
        if (!isControlRole(role) && !(item && item->activeFocusOnTab())) {
            continue;
        }
        ++audit.controls;
        const QString name = node.face->text(QAccessible::Name).simplified();
        QStringList faults;
        if (name.isEmpty()) {
            faults << QStringLiteral("no name");
        }
        // Qt 6.4 leaves the disabled state unset for Qt Quick items: the description must say it.
        if (item && !item->isEnabled() && !node.face->state().disabled &&
            node.face->text(QAccessible::Description) != QStringLiteral("Ikke tilgængelig")) {
            faults << QStringLiteral("disabled but announced as enabled (%1)")
                          .arg(node.face->text(QAccessible::Description));
        }
        if (role == QAccessible::EditableText) {
            // A secure field shows bullets only; accessibility may have no more than that.
            const QString bullets = QString(QChar(0x2022));
            const QString shown = item ? item->property("displayText").toString() : QString();
            const bool secure = !shown.isEmpty() && shown == bullets.repeated(shown.size());
            const QAccessibleTextInterface* text = node.face->textInterface();
            const QString exposed = node.face->text(QAccessible::Value) +
                                    (text ? text->text(0, text->characterCount()) : QString());
            if (secure && exposed != bullets.repeated(exposed.size())) {
                faults << QStringLiteral("reads back its secret");
            }
        } else {
            const QAccessibleActionInterface* actions = node.face->actionInterface();
            const QStringList names = actions ? actions->actionNames() : QStringList();
            if (!names.contains(QAccessibleActionInterface::pressAction()) &&
                !names.contains(QAccessibleActionInterface::toggleAction())) {
                faults << QStringLiteral("no press action");
            } else if (item && !handlesPress(item)) {
                faults << QStringLiteral("press does nothing");
            }
            QStringList labels;
            if (item) {
                visibleTexts(item, labels);
            }
            for (const QString& label : labels) {
                if (!name.contains(label)) {
                    faults << QStringLiteral("label «%1» not in name").arg(label);
                }
            }
        }
        if (!faults.isEmpty()) {
            audit.faultyControls << describe(node.face) + QStringLiteral(": ") +
                                        faults.join(QStringLiteral(", "));
        }
    }

    QStringList texts;
    visibleTexts(window.contentItem(), texts);
    texts.removeDuplicates();
    for (const QString& text : texts) {
        ++audit.textsOnScreen;
        const bool inTree = std::any_of(nodes.cbegin(), nodes.cend(), [&](const Node& node) {
            return node.words.contains(text, Qt::CaseInsensitive);
        });
        if (!inTree) {
            audit.textsMissing << text;
        }
    }
    return audit;
}

QString AccessibilityAudit::row(const QString& screen) const {
    return QStringLiteral("%1 controls %2  without name/action %3  texts in tree %4/%5")
        .arg(screen.leftJustified(34))
        .arg(controls, 3)
        .arg(faultyControls.size(), 2)
        .arg(textsOnScreen - textsMissing.size(), 3)
        .arg(textsOnScreen, 3);
}

} // namespace molvena::test
