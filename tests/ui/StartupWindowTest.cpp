#include "MolvenaMacApp.h"
#include "TestSupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtTest/QtTest>

using namespace molvena;

namespace {

QString shownText(QQuickWindow* window) {
    auto* text = window->findChild<QQuickItem*>(QStringLiteral("startupText"));
    return text ? text->property("text").toString() : QString();
}

// How many pixels of the centre band differ between two grabs: the band holds the status line.
int changedPixelsInCentre(const QImage& before, const QImage& after) {
    int changed = 0;
    const int top = before.height() / 2 - 30;
    for (int y = top; y < top + 60; ++y) {
        for (int x = before.width() / 4; x < before.width() * 3 / 4; ++x) {
            changed += before.pixel(x, y) != after.pixel(x, y) ? 1 : 0;
        }
    }
    return changed;
}

} // namespace

class StartupWindowTest : public QObject {
    Q_OBJECT
private slots:
    void windowShowsTheTextTheStartupCoroutineSetsAfterItsSleep();
};

void StartupWindowTest::windowShowsTheTextTheStartupCoroutineSetsAfterItsSleep() {
    MolvenaMacApp app;
    QVERIFY(app.show());
    QQuickWindow* window = app.window();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->size(), QSize(1180, 760));

    QCOMPARE(shownText(window), QStringLiteral("Molvena starter…"));
    const QImage before = window->grabWindow();
    before.save(test::artifactsFolder() + QStringLiteral("/startup-before.png"));

    // The coroutine sleeps one second on the main thread's event loop, which keeps running meanwhile.
    QElapsedTimer clock;
    clock.start();
    QTRY_COMPARE_WITH_TIMEOUT(shownText(window), QStringLiteral("Molvena er klar"), 5000);
    QVERIFY2(clock.elapsed() >= 800, "the text changed before the sleep could have ended");

    const QImage after = window->grabWindow();
    const QString screenshot = test::artifactsFolder() + QStringLiteral("/startup-after.png");
    QVERIFY(after.save(screenshot));
    qInfo("screenshot: %s", qPrintable(screenshot));

    // The page background fills the window, and the new text really reached the pixels.
    const QColor corner = after.pixelColor(5, 5);
    QVERIFY2(qAbs(corner.red() - 249) <= 1 && qAbs(corner.green() - 247) <= 1 &&
                 qAbs(corner.blue() - 243) <= 1,
             qPrintable(corner.name()));
    QVERIFY(changedPixelsInCentre(before, after) > 200);
}

QTEST_MAIN(StartupWindowTest)
#include "StartupWindowTest.moc"
