#include "panel/symbols.hpp"

#include <QPainter>
#include <QHash>
#include <QPainterPath>

#include <algorithm>
#include <functional>

namespace tavlets {
namespace {

// Every drawing works on a 16 x 16 grid; the painter is scaled to the target box.
constexpr qreal kGrid = 16.0;
constexpr qreal kStroke = 1.5;

using Drawing = std::function<void(QPainter&)>;

void line(QPainter& p, qreal x1, qreal y1, qreal x2, qreal y2) {
    p.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void dot(QPainter& p, qreal x, qreal y, qreal r = 1.0) {
    QPainterPath path;
    path.addEllipse(QPointF(x, y), r, r);
    p.fillPath(path, p.pen().color());
}

// An arrow shaft from (x1, y1) to (x2, y2) with an open head at the end.
void arrow(QPainter& p, qreal x1, qreal y1, qreal x2, qreal y2, qreal head = 3.0) {
    line(p, x1, y1, x2, y2);
    const QLineF shaft(QPointF(x2, y2), QPointF(x1, y1));
    QLineF a = shaft;
    a.setLength(head);
    a.setAngle(shaft.angle() + 45);
    QLineF b = shaft;
    b.setLength(head);
    b.setAngle(shaft.angle() - 45);
    p.drawLine(a);
    p.drawLine(b);
}

// A capital A standing on `base`, `height` tall, centred on cx.
void letterA(QPainter& p, qreal cx, qreal base, qreal height) {
    const qreal half = height * 0.42;
    QPainterPath path;
    path.moveTo(cx - half, base);
    path.lineTo(cx, base - height);
    path.lineTo(cx + half, base);
    p.drawPath(path);
    const qreal barY = base - height * 0.38;
    const qreal barHalf = half * 0.62;
    line(p, cx - barHalf, barY, cx + barHalf, barY);
}

// A lower-case a: a bowl with a stem on the right.
void letterSmallA(QPainter& p, qreal cx, qreal base, qreal size) {
    const qreal r = size / 2;
    p.drawEllipse(QPointF(cx - r * 0.25, base - r), r, r);
    line(p, cx + r * 0.75, base - size, cx + r * 0.75, base);
}

void paperclip(QPainter& p) {
    QPainterPath path;
    path.moveTo(10.5, 5.5);
    path.lineTo(10.5, 11.0);
    path.arcTo(QRectF(7.0, 9.0, 3.5, 3.5), 0, -180);
    path.lineTo(7.0, 3.5);
    path.arcTo(QRectF(7.0, 1.5, 5.0, 4.0), 180, -180);
    path.lineTo(12.0, 11.5);
    path.arcTo(QRectF(5.0, 8.0, 7.0, 6.5), 0, -180);
    path.lineTo(5.0, 4.5);
    p.drawPath(path);
}

void lockBody(QPainter& p) {
    p.drawRoundedRect(QRectF(3.5, 7.5, 9.0, 6.5), 1.5, 1.5);
    dot(p, 8.0, 10.75, 0.9);
}

const QHash<QString, Drawing>& drawings() {
    static const QHash<QString, Drawing> table = {
        {"text.alignleft",
         [](QPainter& p) {
             line(p, 2.5, 3.5, 13.5, 3.5);
             line(p, 2.5, 6.5, 10.0, 6.5);
             line(p, 2.5, 9.5, 13.5, 9.5);
             line(p, 2.5, 12.5, 8.5, 12.5);
         }},
        {"arrow.down.right.and.arrow.up.left",
         [](QPainter& p) {
             arrow(p, 2.5, 2.5, 7.0, 7.0);
             arrow(p, 13.5, 13.5, 9.0, 9.0);
         }},
        {"exclamationmark.magnifyingglass",
         [](QPainter& p) {
             p.drawEllipse(QPointF(6.75, 6.75), 4.75, 4.75);
             line(p, 10.2, 10.2, 14.0, 14.0);
             line(p, 6.75, 4.2, 6.75, 7.3);
             dot(p, 6.75, 9.4, 0.85);
         }},
        {"tablecells",
         [](QPainter& p) {
             p.drawRoundedRect(QRectF(2.0, 3.0, 12.0, 10.0), 1.5, 1.5);
             line(p, 2.0, 6.5, 14.0, 6.5);
             line(p, 2.0, 9.75, 14.0, 9.75);
             line(p, 8.0, 3.0, 8.0, 13.0);
         }},
        {"curlybraces",
         [](QPainter& p) {
             QPainterPath left;
             left.moveTo(6.0, 2.5);
             left.cubicTo(3.5, 2.5, 5.0, 7.0, 2.5, 8.0);
             left.cubicTo(5.0, 9.0, 3.5, 13.5, 6.0, 13.5);
             p.drawPath(left);
             QPainterPath right;
             right.moveTo(10.0, 2.5);
             right.cubicTo(12.5, 2.5, 11.0, 7.0, 13.5, 8.0);
             right.cubicTo(11.0, 9.0, 12.5, 13.5, 10.0, 13.5);
             p.drawPath(right);
         }},
        {"text.quote",
         [](QPainter& p) {
             for (qreal x : {2.5, 6.0}) {
                 dot(p, x + 0.9, 4.6, 1.5);
                 QPainterPath tail;
                 tail.moveTo(x + 2.3, 4.8);
                 tail.quadTo(x + 2.2, 7.2, x + 0.4, 8.0);
                 p.drawPath(tail);
             }
             line(p, 10.5, 4.5, 13.5, 4.5);
             line(p, 2.5, 11.0, 13.5, 11.0);
             line(p, 2.5, 14.0, 10.0, 14.0);
         }},
        {"checklist",
         [](QPainter& p) {
             for (qreal y : {4.0, 8.0, 12.0}) {
                 QPainterPath check;
                 check.moveTo(2.0, y);
                 check.lineTo(3.3, y + 1.3);
                 check.lineTo(5.5, y - 1.5);
                 p.drawPath(check);
                 line(p, 7.5, y, 14.0, y);
             }
         }},
        {"chevron.left.forwardslash.chevron.right",
         [](QPainter& p) {
             QPainterPath left;
             left.moveTo(5.0, 4.5);
             left.lineTo(1.5, 8.0);
             left.lineTo(5.0, 11.5);
             p.drawPath(left);
             QPainterPath right;
             right.moveTo(11.0, 4.5);
             right.lineTo(14.5, 8.0);
             right.lineTo(11.0, 11.5);
             p.drawPath(right);
             line(p, 9.2, 3.0, 6.8, 13.0);
         }},
        {"textformat.size.larger",
         [](QPainter& p) {
             letterA(p, 4.5, 13.5, 6.0);
             letterA(p, 11.0, 13.5, 11.0);
         }},
        {"textformat.size.smaller",
         [](QPainter& p) {
             letterA(p, 5.5, 13.5, 11.0);
             letterA(p, 12.0, 13.5, 6.0);
         }},
        {"textformat",
         [](QPainter& p) {
             letterA(p, 5.5, 13.5, 11.0);
             letterSmallA(p, 12.0, 13.5, 5.5);
         }},
        {"textformat.abc",
         [](QPainter& p) {
             // a
             letterSmallA(p, 3.0, 11.5, 4.5);
             // b
             line(p, 6.75, 4.0, 6.75, 11.5);
             p.drawEllipse(QPointF(8.75, 9.25), 2.0, 2.25);
             // c
             QPainterPath c;
             c.arcMoveTo(QRectF(11.5, 7.0, 4.0, 4.5), 50);
             c.arcTo(QRectF(11.5, 7.0, 4.0, 4.5), 50, 260);
             p.drawPath(c);
         }},
        {"scissors",
         [](QPainter& p) {
             p.drawEllipse(QPointF(4.0, 12.0), 2.0, 2.0);
             p.drawEllipse(QPointF(12.0, 12.0), 2.0, 2.0);
             line(p, 5.3, 10.5, 11.5, 2.0);
             line(p, 10.7, 10.5, 4.5, 2.0);
         }},
        {"number",
         [](QPainter& p) {
             line(p, 6.5, 2.0, 5.0, 14.0);
             line(p, 11.0, 2.0, 9.5, 14.0);
             line(p, 2.5, 5.75, 14.0, 5.75);
             line(p, 2.0, 10.25, 13.5, 10.25);
         }},
        {"link",
         [](QPainter& p) {
             p.save();
             p.translate(8.0, 8.0);
             p.rotate(-45);
             p.drawRoundedRect(QRectF(-7.0, -2.5, 8.0, 5.0), 2.5, 2.5);
             p.drawRoundedRect(QRectF(-1.0, -2.5, 8.0, 5.0), 2.5, 2.5);
             p.restore();
         }},
        {"lock",
         [](QPainter& p) {
             lockBody(p);
             QPainterPath shackle;
             shackle.moveTo(5.25, 7.5);
             shackle.lineTo(5.25, 5.0);
             shackle.arcTo(QRectF(5.25, 2.0, 5.5, 5.5), 180, -180);
             shackle.lineTo(10.75, 7.5);
             p.drawPath(shackle);
         }},
        {"lock.open",
         [](QPainter& p) {
             lockBody(p);
             QPainterPath shackle;
             shackle.moveTo(10.75, 7.5);
             shackle.lineTo(10.75, 4.5);
             shackle.arcTo(QRectF(10.75, 1.5, 4.0, 5.0), 180, -180);
             shackle.lineTo(14.75, 5.5);
             p.drawPath(shackle);
         }},
        {"arrow.up.arrow.down",
         [](QPainter& p) {
             arrow(p, 5.0, 13.5, 5.0, 2.5);
             arrow(p, 11.0, 2.5, 11.0, 13.5);
         }},
        {"paperclip", [](QPainter& p) { paperclip(p); }},
        {"paperclip.badge.ellipsis",
         [](QPainter& p) {
             p.save();
             p.translate(-2.0, 0.0);
             paperclip(p);
             p.restore();
             dot(p, 11.0, 13.5, 0.95);
             dot(p, 13.0, 13.5, 0.95);
             dot(p, 15.0, 13.5, 0.95);
         }},
        {"doc.on.clipboard",
         [](QPainter& p) {
             QPainterPath board;
             board.moveTo(5.5, 2.75);
             board.lineTo(4.0, 2.75);
             board.quadTo(2.5, 2.75, 2.5, 4.25);
             board.lineTo(2.5, 13.0);
             board.quadTo(2.5, 14.5, 4.0, 14.5);
             board.lineTo(12.0, 14.5);
             board.quadTo(13.5, 14.5, 13.5, 13.0);
             board.lineTo(13.5, 4.25);
             board.quadTo(13.5, 2.75, 12.0, 2.75);
             board.lineTo(10.5, 2.75);
             p.drawPath(board);
             p.drawRoundedRect(QRectF(5.5, 1.5, 5.0, 2.5), 1.0, 1.0);
             line(p, 5.5, 7.5, 10.5, 7.5);
             line(p, 5.5, 10.0, 10.5, 10.0);
             line(p, 5.5, 12.5, 8.5, 12.5);
         }},
    };
    return table;
}

}  // namespace

bool hasSymbol(const QString& name) {
    return drawings().contains(name);
}

void paintSymbol(QPainter& painter, const QString& name, const QRectF& box, const QColor& color) {
    const qreal side = std::min(box.width(), box.height());
    if (side <= 0) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    painter.scale(side / kGrid, side / kGrid);
    // Thin strokes vanish at small sizes: keep at least about one device pixel.
    const qreal minStroke = kGrid / side * 1.1;
    QPen pen(color, std::max(kStroke, minStroke), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const auto& table = drawings();
    if (auto it = table.constFind(name); it != table.constEnd()) {
        (*it)(painter);
    } else {
        painter.drawRoundedRect(QRectF(3.0, 3.0, 10.0, 10.0), 2.0, 2.0);
    }
    painter.restore();
}

QPixmap symbolPixmap(const QString& name, const QColor& color, int logicalSize,
                     qreal devicePixelRatio) {
    const int pixels = std::max(1, qRound(logicalSize * devicePixelRatio));
    QPixmap pixmap(pixels, pixels);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paintSymbol(painter, name, QRectF(0, 0, logicalSize, logicalSize), color);
    return pixmap;
}

QIcon symbolIcon(const QString& name, const QColor& color) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) icon.addPixmap(symbolPixmap(name, color, size));
    return icon;
}

}  // namespace tavlets
