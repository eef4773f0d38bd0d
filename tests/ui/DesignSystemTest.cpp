#include "ScriptedHttpServer.h"
#include "TestSupport.h"
#include "design/ApplicationFont.h"
#include "design/SymbolIcon.h"
#include "protection/DomainCountStore.h"

#include <QGuiApplication>
#include <QImage>
#include <QNetworkAccessManager>
#include <QQmlApplicationEngine>
#include <QQmlListReference>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest/QtTest>

Q_IMPORT_QML_PLUGIN(MolvenaPlugin)

using namespace molvena;

namespace {

void typeText(QWindow* window, const QString& text) {
    for (const QChar character : text) {
        QTest::keyClick(window, character.toLatin1());
    }
}

} // namespace

class DesignSystemTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everyComponentRendersInEachState();
    void pressedPrimaryButtonKeepsItsSizeAndDropsItsShadowAndAnswersKeys();
    void secureFieldNeverDrawsTheTypedDigits();
    void shieldOutlineFollowsItsRectangle();
    void heroPanelShowsTheStoreCountAboveDomains();

private:
    QQuickItem* item(const char* name) const;
    QImage grab(const char* name) const;
    QImage grab(QQuickItem* target) const;
    void save(const QImage& image, const QString& name) const;

    test::TemporaryPreferences m_preferences;
    QNetworkAccessManager m_network;
    test::ScriptedHttpServer m_backend;
    QString m_titleAtStart;
    std::unique_ptr<DomainCountStore> m_domains;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow* m_window = nullptr;
};

void DesignSystemTest::initTestCase() {
    useApplicationFont();
    QCOMPARE(QGuiApplication::font().family(), QStringLiteral("Inter"));

    m_preferences.store().setValue(DomainCountStore::cacheKey(), 612345);
    // The backend knows a newer count; the panel asks for it once it is shown.
    m_backend.enqueueFor(QStringLiteral("/api/count.php"), {.body = R"({"count": 734567})", .delayMs = 200});
    m_domains = std::make_unique<DomainCountStore>(m_preferences.store(), m_network,
                                                   m_backend.url(QStringLiteral("/api/")));

    m_engine = std::make_unique<QQmlApplicationEngine>();
    m_engine->addImportPath(QStringLiteral("qrc:/"));
    m_engine->setInitialProperties(
        {{QStringLiteral("domains"), QVariant::fromValue<QObject*>(m_domains.get())}});
    m_engine->load(QUrl(QStringLiteral("qrc:/gallery/DesignGallery.qml")));
    QCOMPARE(m_engine->rootObjects().size(), 1);
    m_window = qobject_cast<QQuickWindow*>(m_engine->rootObjects().first());
    QVERIFY(m_window);
    auto* title = item("heroBlue")->findChild<QQuickItem*>(QStringLiteral("heroTitle"));
    QVERIFY(title);
    m_titleAtStart = title->property("text").toString();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

QQuickItem* DesignSystemTest::item(const char* name) const {
    auto* found = m_window->findChild<QQuickItem*>(QString::fromLatin1(name));
    if (!found) {
        qFatal("no item named %s in the gallery", name);
    }
    return found;
}

QImage DesignSystemTest::grab(QQuickItem* target) const {
    // A margin around the item keeps shadows and focus rings in the picture.
    const QRectF area = target->mapRectToScene(QRectF(0, 0, target->width(), target->height()));
    const qreal scale = m_window->effectiveDevicePixelRatio();
    const QRect pixels =
        QRectF(area.x() * scale, area.y() * scale, area.width() * scale, area.height() * scale)
            .toAlignedRect()
            .adjusted(-12, -12, 12, 16);
    return m_window->grabWindow().copy(pixels);
}

QImage DesignSystemTest::grab(const char* name) const {
    return grab(item(name));
}

void DesignSystemTest::save(const QImage& image, const QString& name) const {
    QVERIFY(image.save(test::artifactsFolder() + QStringLiteral("/design-") + name + QStringLiteral(".png")));
}

void DesignSystemTest::everyComponentRendersInEachState() {
    save(m_window->grabWindow(), QStringLiteral("gallery"));
    for (const char* name :
         {"logo", "logoCompact", "primary", "primaryRed", "primaryDisabled", "primaryBusy", "primaryFull",
          "secondary", "secondaryDisabled", "darkStrip", "prompt", "promptRed", "card", "pill", "heroBlue",
          "heroRed", "heroStep", "nameField", "spendField"}) {
        const QImage image = grab(name);
        QVERIFY2(!image.isNull() && image.width() > 24, name);
        save(image, QString::fromLatin1(name));
    }
    // Every symbol the screens name is shipped and loads.
    QVERIFY(SymbolIcon::names().size() >= 57);
    for (const QString& name : SymbolIcon::names()) {
        SymbolIcon icon;
        icon.setName(name);
        QVERIFY2(icon.known(), qPrintable(name));
    }
    // A disabled button is the enabled one drawn fainter, not hidden.
    QCOMPARE(item("primaryDisabled")->opacity(), 0.52);
    QCOMPARE(item("secondaryDisabled")->opacity(), 0.52);
    QCOMPARE(item("primary")->opacity(), 1.0);
}

void DesignSystemTest::pressedPrimaryButtonKeepsItsSizeAndDropsItsShadowAndAnswersKeys() {
    QQuickItem* button = item("primary");
    const QSizeF size = button->size();
    QVERIFY(size.width() > 100 && size.height() >= 44);
    const QImage released = grab(button);

    const QPoint centre = button->mapToScene(QPointF(size.width() / 2, size.height() / 2)).toPoint();
    QTest::mousePress(m_window, Qt::LeftButton, {}, centre);
    QTRY_VERIFY(button->property("pressed").toBool());
    const QImage pressed = grab(button);
    save(pressed, QStringLiteral("primary-pressed"));
    QCOMPARE(button->size(), size);
    QTest::mouseRelease(m_window, Qt::LeftButton, {}, centre);

    // Inside, the fill is lighter (dimmed towards the canvas); below the button the tinted shadow is
    // gone and the canvas shows.
    const int scale = qRound(m_window->effectiveDevicePixelRatio());
    const QPoint inside(12 + 6 * scale, 12 + qRound(size.height() / 2) * scale);
    QVERIFY2(pressed.pixelColor(inside).lightness() > released.pixelColor(inside).lightness() + 10,
             "pressed fill not dimmed");
    const QPoint below(12 + qRound(size.width() / 2) * scale, 12 + qRound(size.height() + 4) * scale);
    const QColor canvas = m_window->color();
    QVERIFY2(released.pixelColor(below) != canvas, "no shadow below the released button");
    QCOMPARE(pressed.pixelColor(below).rgb(), canvas.rgb());

    // Keyboard users reach it too: Space and Return both press it.
    QSignalSpy clicks(button, SIGNAL(clicked()));
    button->forceActiveFocus(Qt::TabFocusReason);
    QTest::keyClick(m_window, Qt::Key_Space);
    QTest::keyClick(m_window, Qt::Key_Return);
    QCOMPARE(clicks.count(), 2);
}

void DesignSystemTest::secureFieldNeverDrawsTheTypedDigits() {
    QQuickItem* pin = item("pinField");
    QQuickItem* other = item("otherPinField");
    pin->forceActiveFocus();
    typeText(m_window, QStringLiteral("12a345"));
    other->forceActiveFocus();
    typeText(m_window, QStringLiteral("9876"));
    // A plain field does show what was typed, so the comparison below can tell the two apart.
    QQuickItem* name = item("nameField");
    name->forceActiveFocus();
    typeText(m_window, QStringLiteral("Mikkel"));
    QCOMPARE(name->property("displayText").toString(), QStringLiteral("Mikkel"));

    // The owner's filter reaches the field, and nothing of the digits reaches the screen: two
    // different PINs of one length draw the same pixels.
    QCOMPARE(pin->property("text").toString(), QStringLiteral("1234"));
    QCOMPARE(other->property("text").toString(), QStringLiteral("9876"));
    QCOMPARE(pin->property("displayText").toString(), QString(4, QChar(0x2022)));
    const QImage typed = grab(pin);
    save(typed, QStringLiteral("pin-typed"));
    QCOMPARE(typed, grab(other));
}

void DesignSystemTest::shieldOutlineFollowsItsRectangle() {
    QQuickItem* shield = item("shield");
    QCOMPARE(shield->size(), QSizeF(29, 34));
    QQmlListReference paths(shield, "data");
    QObject* outline = nullptr;
    for (qsizetype index = 0; index < paths.count() && !outline; ++index) {
        if (paths.at(index)->inherits("QQuickShapePath")) {
            outline = paths.at(index);
        }
    }
    QVERIFY(outline);
    QCOMPARE(outline->property("startX").toReal(), 14.5);
    QCOMPARE(outline->property("startY").toReal(), 0.0);

    // Right shoulder, right waist, curve to the point, curve to the left waist, left shoulder.
    QQmlListReference elements(outline, "pathElements");
    QCOMPARE(elements.count(), 6);
    const QObject* leftShoulder = elements.at(4);
    QVERIFY(qAbs(leftShoulder->property("x").toReal() - 2.9) < 1e-9);
    QVERIFY(qAbs(leftShoulder->property("y").toReal() - 5.44) < 1e-9);
    const QObject* rightShoulder = elements.at(0);
    QVERIFY(qAbs(rightShoulder->property("x").toReal() - 26.1) < 1e-9);
    QCOMPARE(elements.at(2)->property("x").toReal(), 14.5);
    QCOMPARE(elements.at(2)->property("y").toReal(), 34.0);
}

void DesignSystemTest::heroPanelShowsTheStoreCountAboveDomains() {
    auto titleOf = [this](const char* panel) {
        auto* title = item(panel)->findChild<QQuickItem*>(QStringLiteral("heroTitle"));
        return title ? title->property("text").toString() : QString();
    };
    // The cached count shows at once; the backend's newer one replaces it after one request.
    QCOMPARE(m_titleAtStart, QStringLiteral("612.000+\ndomæner"));
    QTRY_COMPARE(titleOf("heroBlue"), QStringLiteral("734.000+\ndomæner"));
    QCOMPARE(m_backend.requestsFor(QStringLiteral("/api/count.php")).size(), 1);
    QCOMPARE(titleOf("heroRed"), QStringLiteral("Støt uden at\novervåge"));
    QCOMPARE(titleOf("heroStep"), QStringLiteral("Samme Molvena.\nNy enhed."));
}

QTEST_MAIN(DesignSystemTest)
#include "DesignSystemTest.moc"
