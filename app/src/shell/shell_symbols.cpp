#include "shell/shell_symbols.hpp"

#include "panel/symbols.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace tavlets {
namespace {

// Drawn on a 24 x 24 grid, scaled to the requested side.
constexpr qreal grid = 24.0;

void keyboard(QPainter& p) {
    QPen pen(p.brush().color(), 1.6);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(2.5, 6, 19, 12.5), 2.5, 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(pen.color());
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 6; ++col) p.drawRoundedRect(QRectF(5 + col * 2.5, 8.5 + row * 2.8, 1.6, 1.6), 0.4, 0.4);
    }
    p.drawRoundedRect(QRectF(7.5, 14.3, 9, 1.7), 0.6, 0.6);  // space bar
}

QPainterPath gear(QPointF centre, qreal outer, qreal inner, qreal hole, int teeth) {
    QPainterPath path;
    const qreal step = 2 * M_PI / teeth;
    for (int i = 0; i < teeth; ++i) {
        const qreal a = i * step;
        const qreal angles[] = {a - step * 0.22, a - step * 0.12, a + step * 0.12, a + step * 0.22};
        const qreal radii[] = {inner, outer, outer, inner};
        for (int k = 0; k < 4; ++k) {
            const QPointF point = centre + QPointF(qCos(angles[k]) * radii[k], qSin(angles[k]) * radii[k]);
            if (i == 0 && k == 0) path.moveTo(point);
            else path.lineTo(point);
        }
        const qreal next = a + step * 0.78;
        path.lineTo(centre + QPointF(qCos(next) * inner, qSin(next) * inner));
    }
    path.closeSubpath();
    path.addEllipse(centre, hole, hole);
    path.setFillRule(Qt::OddEvenFill);
    return path;
}

void gears(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.drawPath(gear(QPointF(9.5, 9.5), 7.5, 5.8, 2.4, 8));
    p.drawPath(gear(QPointF(17.5, 17.5), 5.0, 3.8, 1.6, 6));
}

void lockShield(QPainter& p) {
    const QColor color = p.brush().color();
    QPainterPath shield;
    shield.moveTo(12, 2.5);
    shield.lineTo(20, 5.5);
    shield.cubicTo(20, 13.5, 17, 18.5, 12, 21.5);
    shield.cubicTo(7, 18.5, 4, 13.5, 4, 5.5);
    shield.closeSubpath();
    p.setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shield);
    p.drawArc(QRectF(10, 7.5, 4, 5), 0, 180 * 16);  // shackle
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(9, 10.5, 6, 5), 1, 1);
}

}  // namespace

QPixmap shellSymbol(const QString& name, int side, const QColor& color, qreal devicePixelRatio) {
    if (hasSymbol(name)) return symbolPixmap(name, color, side, devicePixelRatio);
    QPixmap pixmap(QSize(side, side) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / grid, side / grid);
    p.setBrush(color);
    if (name == QLatin1String("keyboard")) keyboard(p);
    else if (name == QLatin1String("gearshape.2")) gears(p);
    else if (name == QLatin1String("lock.shield")) lockShield(p);
    return pixmap;
}

}  // namespace tavlets
