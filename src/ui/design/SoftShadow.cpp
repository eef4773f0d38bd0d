#include "SoftShadow.h"

#include <QPainter>
#include <QPainterPath>
#include <QQuickWindow>
#include <QSGImageNode>
#include <QSGTexture>

#include <algorithm>
#include <cmath>
#include <vector>

namespace molvena {

namespace {

// One pass of a running-sum box blur over the alpha bytes, along rows or columns.
void boxBlur(uchar* alpha, int width, int height, int stride, int radius, bool alongRows) {
    const int lines = alongRows ? height : width;
    const int length = alongRows ? width : height;
    const int step = alongRows ? 1 : stride;
    std::vector<uchar> line(length);
    for (int index = 0; index < lines; ++index) {
        uchar* start = alongRows ? alpha + index * stride : alpha + index;
        for (int position = 0; position < length; ++position) {
            line[position] = start[position * step];
        }
        int sum = 0;
        for (int position = -radius; position <= radius; ++position) {
            sum += position >= 0 && position < length ? line[position] : 0;
        }
        for (int position = 0; position < length; ++position) {
            start[position * step] = uchar(sum / (2 * radius + 1));
            const int leaving = position - radius;
            const int entering = position + radius + 1;
            sum -= leaving >= 0 ? line[leaving] : 0;
            sum += entering < length ? line[entering] : 0;
        }
    }
}

} // namespace

SoftShadow::SoftShadow(QQuickItem* parent) : QQuickItem(parent) {
    setFlag(ItemHasContents);
}

void SoftShadow::changed() {
    m_dirty = true;
    emit shadowChanged();
    update();
}

void SoftShadow::setColor(const QColor& color) {
    if (color != m_color) {
        m_color = color;
        changed();
    }
}

void SoftShadow::setRadius(qreal radius) {
    if (!qFuzzyCompare(radius, m_radius)) {
        m_radius = radius;
        changed();
    }
}

void SoftShadow::setCornerRadius(qreal radius) {
    if (!qFuzzyCompare(radius, m_cornerRadius)) {
        m_cornerRadius = radius;
        changed();
    }
}

void SoftShadow::setOffsetX(qreal offset) {
    if (!qFuzzyCompare(offset, m_offsetX)) {
        m_offsetX = offset;
        emit shadowChanged();
        update();
    }
}

void SoftShadow::setOffsetY(qreal offset) {
    if (!qFuzzyCompare(offset, m_offsetY)) {
        m_offsetY = offset;
        emit shadowChanged();
        update();
    }
}

void SoftShadow::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size()) {
        m_dirty = true;
        update();
    }
}

// Room around the shape for the blur to fade out in.
qreal SoftShadow::margin() const {
    return std::ceil(m_radius) + 2;
}

QImage SoftShadow::render(qreal ratio) const {
    const qreal border = margin();
    const QSize pixels(std::ceil((width() + 2 * border) * ratio), std::ceil((height() + 2 * border) * ratio));
    QImage alpha(pixels, QImage::Format_Alpha8);
    alpha.fill(0);
    {
        QPainter painter(&alpha);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(ratio, ratio);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(border, border, width(), height()), m_cornerRadius, m_cornerRadius);
        painter.fillPath(shape, Qt::black);
    }
    // Three box passes approximate a Gaussian whose spread matches the blur radius.
    const int box = std::max(1, int(std::lround(m_radius * ratio / 3.0)));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(alpha.bits(), alpha.width(), alpha.height(), int(alpha.bytesPerLine()), box, true);
        boxBlur(alpha.bits(), alpha.width(), alpha.height(), int(alpha.bytesPerLine()), box, false);
    }

    QImage shadow(pixels, QImage::Format_ARGB32_Premultiplied);
    const QRgb colour = m_color.rgba();
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar* from = alpha.constScanLine(y);
        auto* to = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        for (int x = 0; x < pixels.width(); ++x) {
            const int a = qAlpha(colour) * from[x] / 255;
            to[x] = qPremultiply(qRgba(qRed(colour), qGreen(colour), qBlue(colour), a));
        }
    }
    return shadow;
}

QSGNode* SoftShadow::updatePaintNode(QSGNode* old, UpdatePaintNodeData*) {
    auto* node = static_cast<QSGImageNode*>(old);
    if (width() <= 0 || height() <= 0 || m_color.alpha() == 0) {
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
    const qreal border = margin();
    node->setRect(
        QRectF(m_offsetX - border, m_offsetY - border, width() + 2 * border, height() + 2 * border));
    return node;
}

} // namespace molvena
