// Paints the application icon from the same shield outline as the in-app logo instead of keeping it
// as a binary file: into a macOS .iconset folder (every size iconutil expects), or into a hicolor
// icon theme tree for the Linux package.
// Usage: molvena_app_icon_painter <output.iconset>
//        molvena_app_icon_painter --hicolor <icons/hicolor folder> <icon name>

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRectF>
#include <QString>

#include <cstdio>

namespace {

QColor themeColor(double red, double green, double blue) {
    return QColor::fromRgbF(float(red), float(green), float(blue));
}

// The shield outline of the design system, inside a frame whose origin is (0, 0).
QPainterPath shieldPath(double w, double h) {
    QPainterPath path;
    path.moveTo(w / 2, 0);
    path.lineTo(0.9 * w, 0.16 * h);
    path.lineTo(0.82 * w, 0.65 * h);
    path.quadTo(0.73 * w, 0.88 * h, w / 2, h);
    path.quadTo(0.27 * w, 0.88 * h, 0.18 * w, 0.65 * h);
    path.lineTo(0.1 * w, 0.16 * h);
    path.closeSubpath();
    return path;
}

// Drawn on a 1024-point canvas and scaled: Apple's grid leaves a 100-point margin around an
// 824-point rounded square.
QImage paintIcon(int pixels) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(pixels / 1024.0, pixels / 1024.0);

    const QRectF tile(100, 100, 824, 824);
    QLinearGradient background(tile.topLeft(), tile.bottomLeft());
    background.setColorAt(0, themeColor(0.035, 0.155, 0.405)); // navy
    background.setColorAt(1, themeColor(0.025, 0.105, 0.285)); // navyDeep
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(tile, 185, 185);

    // The logo's mark: a 29 x 34 shield stroked 3 wide, a check mark inside.
    const double height = 500;
    const double width = height * 29 / 34;
    const double stroke = height * 3 / 34;
    painter.translate(512 - width / 2, 512 - height / 2);
    QPen pen(Qt::white, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shieldPath(width, height));

    QPainterPath check;
    check.moveTo(0.31 * width, 0.49 * height);
    check.lineTo(0.45 * width, 0.63 * height);
    check.lineTo(0.70 * width, 0.35 * height);
    painter.drawPath(check);

    // The wordmark's red dot, at the shield's top trailing corner.
    painter.setPen(Qt::NoPen);
    painter.setBrush(themeColor(0.94, 0.09, 0.14));
    painter.drawEllipse(QPointF(0.93 * width, 0.05 * height), stroke * 0.8, stroke * 0.8);
    return image;
}

bool save(const QImage& image, const QString& file) {
    if (!QDir().mkpath(QFileInfo(file).absolutePath()) || !image.save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 4 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--hicolor")) {
        const QString theme = QString::fromLocal8Bit(argv[2]);
        const QString name = QString::fromLocal8Bit(argv[3]);
        for (const int pixels : {16, 24, 32, 48, 64, 128, 256, 512}) {
            if (!save(paintIcon(pixels),
                      QStringLiteral("%1/%2x%2/apps/%3.png").arg(theme).arg(pixels).arg(name))) {
                return 1;
            }
        }
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.iconset> | --hicolor <folder> <name>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const int points : {16, 32, 128, 256, 512}) {
        for (const int scale : {1, 2}) {
            const QString name = scale == 1 ? QStringLiteral("icon_%1x%1.png").arg(points)
                                            : QStringLiteral("icon_%1x%1@2x.png").arg(points);
            if (!save(paintIcon(points * scale), folder + QLatin1Char('/') + name)) {
                return 1;
            }
        }
    }
    return 0;
}
