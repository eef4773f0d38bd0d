#pragma once

#include <QColor>
#include <QImage>
#include <QQuickItem>
#include <QString>
#include <QStringList>
#include <QSvgRenderer>
#include <QtQml/qqmlregistration.h>

namespace molvena {

// A symbol by its platform name, drawn in one colour from the bundled Bootstrap Icons. Rasterised on
// the CPU into a texture, so it shows with every scene graph backend, the software one included. `size` is
// the symbol's point size; the item is that size square unless laid out otherwise.
class SymbolIcon : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(qreal size READ symbolSize WRITE setSymbolSize NOTIFY sizeChanged)
    // Whether `name` is one of the symbols the app ships.
    Q_PROPERTY(bool known READ known NOTIFY nameChanged)
    Q_PROPERTY(QStringList names READ names CONSTANT)

public:
    explicit SymbolIcon(QQuickItem* parent = nullptr);

    QString name() const { return m_name; }
    void setName(const QString& name);
    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    qreal symbolSize() const { return m_size; }
    void setSymbolSize(qreal size);
    bool known() const { return m_known; }
    static QStringList names();
    // The bundled file for a platform symbol name; empty when there is none.
    static QString fileFor(const QString& name);

signals:
    void nameChanged();
    void colorChanged();
    void sizeChanged();

protected:
    QSGNode* updatePaintNode(QSGNode* old, UpdatePaintNodeData* data) override;
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    void changed();
    QImage render(qreal ratio);

    QString m_name;
    QColor m_color = QColor(6, 27, 73);
    qreal m_size = 15;
    QSvgRenderer m_renderer;
    bool m_known = false;
    bool m_dirty = true;
};

} // namespace molvena
