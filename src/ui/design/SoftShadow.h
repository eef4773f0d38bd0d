#pragma once

#include <QColor>
#include <QImage>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

namespace molvena {

// The blurred shadow of a rounded rectangle the size of this item, drawn beneath its siblings.
// `radius` is the blur radius, `offsetX`/`offsetY` move the shadow. Rasterised on the CPU into a
// texture, so it shows with every scene graph backend, the software one included.
class SoftShadow : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY shadowChanged)
    Q_PROPERTY(qreal radius READ radius WRITE setRadius NOTIFY shadowChanged)
    Q_PROPERTY(qreal cornerRadius READ cornerRadius WRITE setCornerRadius NOTIFY shadowChanged)
    Q_PROPERTY(qreal offsetX READ offsetX WRITE setOffsetX NOTIFY shadowChanged)
    Q_PROPERTY(qreal offsetY READ offsetY WRITE setOffsetY NOTIFY shadowChanged)

public:
    explicit SoftShadow(QQuickItem* parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    qreal radius() const { return m_radius; }
    void setRadius(qreal radius);
    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);
    qreal offsetX() const { return m_offsetX; }
    void setOffsetX(qreal offset);
    qreal offsetY() const { return m_offsetY; }
    void setOffsetY(qreal offset);

signals:
    void shadowChanged();

protected:
    QSGNode* updatePaintNode(QSGNode* old, UpdatePaintNodeData* data) override;
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    void changed();
    qreal margin() const;
    QImage render(qreal ratio) const;

    QColor m_color = QColor(0, 0, 0, 40);
    qreal m_radius = 10;
    qreal m_cornerRadius = 12;
    qreal m_offsetX = 0;
    qreal m_offsetY = 0;
    bool m_dirty = true;
};

} // namespace molvena
