#include "SymbolIcon.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QQuickWindow>
#include <QSGImageNode>
#include <QSGTexture>

#include <cmath>

namespace molvena {

namespace {

// Platform symbol name -> Bootstrap Icons file (without ".svg"). Every name a screen uses is here.
const QHash<QString, QString>& symbolFiles() {
    static const QHash<QString, QString> files = {
        {QStringLiteral("arrow.clockwise"), QStringLiteral("arrow-clockwise")},
        {QStringLiteral("arrow.down.circle"), QStringLiteral("arrow-down-circle")},
        {QStringLiteral("arrow.down.circle.fill"), QStringLiteral("arrow-down-circle-fill")},
        {QStringLiteral("arrow.right"), QStringLiteral("arrow-right")},
        {QStringLiteral("arrow.triangle.2.circlepath"), QStringLiteral("arrow-repeat")},
        {QStringLiteral("banknote.fill"), QStringLiteral("cash-stack")},
        {QStringLiteral("bitcoinsign.circle"), QStringLiteral("currency-bitcoin")},
        {QStringLiteral("building.2.fill"), QStringLiteral("buildings-fill")},
        {QStringLiteral("calendar"), QStringLiteral("calendar")},
        {QStringLiteral("calendar.badge.checkmark"), QStringLiteral("calendar-check")},
        {QStringLiteral("calendar.badge.clock"), QStringLiteral("calendar-event")},
        {QStringLiteral("chart.bar.doc.horizontal"), QStringLiteral("file-earmark-bar-graph-fill")},
        {QStringLiteral("chart.line.uptrend.xyaxis"), QStringLiteral("graph-up-arrow")},
        {QStringLiteral("checkmark"), QStringLiteral("check-lg")},
        {QStringLiteral("checkmark.circle.fill"), QStringLiteral("check-circle-fill")},
        {QStringLiteral("checkmark.shield"), QStringLiteral("shield-check")},
        {QStringLiteral("checkmark.shield.fill"), QStringLiteral("shield-fill-check")},
        {QStringLiteral("chevron.left"), QStringLiteral("chevron-left")},
        {QStringLiteral("chevron.right"), QStringLiteral("chevron-right")},
        {QStringLiteral("circle"), QStringLiteral("circle")},
        {QStringLiteral("circle.dashed"), QStringLiteral("dash-circle-dotted")},
        {QStringLiteral("clock.arrow.circlepath"), QStringLiteral("clock-history")},
        {QStringLiteral("clock.badge.questionmark"), QStringLiteral("hourglass-split")},
        {QStringLiteral("desktopcomputer"), QStringLiteral("display")},
        {QStringLiteral("die.face.5.fill"), QStringLiteral("dice-5-fill")},
        {QStringLiteral("doc.on.doc"), QStringLiteral("files")},
        {QStringLiteral("ellipsis"), QStringLiteral("three-dots")},
        {QStringLiteral("envelope.badge.shield.half.filled"), QStringLiteral("envelope-check-fill")},
        {QStringLiteral("envelope.fill"), QStringLiteral("envelope-fill")},
        {QStringLiteral("exclamationmark.circle.fill"), QStringLiteral("exclamation-circle-fill")},
        {QStringLiteral("exclamationmark.shield.fill"), QStringLiteral("shield-fill-exclamation")},
        {QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("exclamation-triangle-fill")},
        {QStringLiteral("gamecontroller"), QStringLiteral("controller")},
        {QStringLiteral("globe"), QStringLiteral("globe")},
        {QStringLiteral("heart.fill"), QStringLiteral("heart-fill")},
        {QStringLiteral("info.circle.fill"), QStringLiteral("info-circle-fill")},
        {QStringLiteral("link"), QStringLiteral("link-45deg")},
        {QStringLiteral("lock.fill"), QStringLiteral("lock-fill")},
        {QStringLiteral("lock.shield.fill"), QStringLiteral("shield-lock-fill")},
        {QStringLiteral("mappin.and.ellipse"), QStringLiteral("geo-alt-fill")},
        {QStringLiteral("network"), QStringLiteral("diagram-3-fill")},
        {QStringLiteral("network.badge.shield.half.filled"), QStringLiteral("hdd-network-fill")},
        {QStringLiteral("person.2.fill"), QStringLiteral("people-fill")},
        {QStringLiteral("person.badge.plus"), QStringLiteral("person-plus-fill")},
        {QStringLiteral("person.badge.shield.checkmark"), QStringLiteral("person-fill-lock")},
        {QStringLiteral("person.crop.circle"), QStringLiteral("person-circle")},
        {QStringLiteral("person.crop.circle.badge.checkmark"), QStringLiteral("person-check-fill")},
        {QStringLiteral("person.fill"), QStringLiteral("person-fill")},
        {QStringLiteral("phone"), QStringLiteral("telephone")},
        {QStringLiteral("power.circle.fill"), QStringLiteral("power")},
        {QStringLiteral("rectangle.on.rectangle"), QStringLiteral("window-stack")},
        {QStringLiteral("rectangle.portrait.and.arrow.right"), QStringLiteral("box-arrow-right")},
        {QStringLiteral("safari"), QStringLiteral("browser-safari")},
        {QStringLiteral("shield.checkered"), QStringLiteral("shield-shaded")},
        {QStringLiteral("shield.lefthalf.filled"), QStringLiteral("shield-shaded")},
        {QStringLiteral("shield.slash.fill"), QStringLiteral("shield-slash-fill")},
        {QStringLiteral("star.fill"), QStringLiteral("star-fill")},
        {QStringLiteral("sun.max.fill"), QStringLiteral("sun-fill")},
        {QStringLiteral("trash"), QStringLiteral("trash")},
        {QStringLiteral("xmark"), QStringLiteral("x-lg")},
    };
    return files;
}

} // namespace

SymbolIcon::SymbolIcon(QQuickItem* parent) : QQuickItem(parent) {
    setFlag(ItemHasContents);
    setImplicitSize(m_size, m_size);
}

void SymbolIcon::changed() {
    m_dirty = true;
    update();
}

void SymbolIcon::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size()) {
        changed();
    }
}

QString SymbolIcon::fileFor(const QString& name) {
    const QString file = symbolFiles().value(name);
    return file.isEmpty() ? QString() : QStringLiteral(":/Molvena/design/icons/%1.svg").arg(file);
}

QStringList SymbolIcon::names() {
    QStringList all = symbolFiles().keys();
    all.sort();
    return all;
}

void SymbolIcon::setName(const QString& name) {
    if (name == m_name) {
        return;
    }
    m_name = name;
    const QString file = fileFor(name);
    m_known = !file.isEmpty() && m_renderer.load(file);
    if (!m_known && !name.isEmpty()) {
        qWarning("SymbolIcon: no symbol named %s", qPrintable(name));
    }
    emit nameChanged();
    changed();
}

void SymbolIcon::setColor(const QColor& color) {
    if (color == m_color) {
        return;
    }
    m_color = color;
    emit colorChanged();
    changed();
}

void SymbolIcon::setSymbolSize(qreal size) {
    if (qFuzzyCompare(size, m_size)) {
        return;
    }
    m_size = size;
    setImplicitSize(size, size);
    emit sizeChanged();
    changed();
}

QImage SymbolIcon::render(qreal ratio) {
    // The symbol keeps its proportions, centred in the item.
    const QSizeF box = QSizeF(m_renderer.defaultSize()).scaled(size(), Qt::KeepAspectRatio);
    const QRectF target(QPointF((width() - box.width()) / 2, (height() - box.height()) / 2), box);

    // Only the symbol's shape counts: draw it, then fill what it covers with the colour.
    QImage image(QSize(std::ceil(width() * ratio), std::ceil(height() * ratio)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    m_renderer.render(&painter, target);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(0, 0, width(), height()), m_color);
    return image;
}

QSGNode* SymbolIcon::updatePaintNode(QSGNode* old, UpdatePaintNodeData*) {
    auto* node = static_cast<QSGImageNode*>(old);
    if (!m_known || width() <= 0 || height() <= 0) {
        delete node;
        return nullptr;
    }
    if (!node) {
        node = window()->createImageNode();
        node->setOwnsTexture(true);
        node->setFiltering(QSGTexture::Linear);
        m_dirty = true;
    }
    if (m_dirty) {
        node->setTexture(window()->createTextureFromImage(render(window()->effectiveDevicePixelRatio())));
        m_dirty = false;
    }
    node->setRect(QRectF(0, 0, width(), height()));
    return node;
}

} // namespace molvena
