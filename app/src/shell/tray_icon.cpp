#include "shell/tray_icon.hpp"

#include "panel/symbols.hpp"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tavlets {
namespace {

QPixmap tile(int side) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0.5, 0.5, side - 1.0, side - 1.0);
    QLinearGradient fill(0, 0, 0, side);
    // Both ends are at least 3:1 against black and against white.
    fill.setColorAt(0, QColor(0x3f, 0x7e, 0xe8));
    fill.setColorAt(1, QColor(0x2f, 0x6b, 0xd8));
    QPainterPath shape;
    shape.addRoundedRect(box, side * 0.22, side * 0.22);
    painter.fillPath(shape, fill);
    const qreal inset = side * 0.14;
    paintSymbol(painter, QStringLiteral("paperclip.badge.ellipsis"), box.adjusted(inset, inset, -inset, -inset),
                Qt::white);
    return pixmap;
}

}  // namespace

QIcon drawnTrayIcon() {
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64}) icon.addPixmap(tile(side));
    return icon;
}

namespace {

// The theme's icon where it can be drawn at `side`, else the drawn tile. A theme entry that cannot
// be drawn here (an SVG without Qt's SVG support) gives empty pixmaps, which would show nothing.
QIcon themedElseDrawn(const QString& name, int side) {
    const QIcon themed = QIcon::fromTheme(name);
    if (!themed.isNull() && !themed.pixmap(side, side).isNull()) return themed;
    return drawnTrayIcon();
}

}  // namespace

QIcon trayIcon() { return themedElseDrawn(QString::fromLatin1(kTrayIconName), 22); }

QIcon appIcon() { return themedElseDrawn(QStringLiteral("tavlets"), 32); }

}  // namespace tavlets
