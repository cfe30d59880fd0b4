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

QIcon trayIcon() {
    // A theme entry that cannot be drawn here (an SVG without Qt's SVG support) gives empty
    // pixmaps; a tray that takes pixels would then show nothing.
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(kTrayIconName));
    if (!themed.isNull() && !themed.pixmap(22, 22).isNull()) return themed;
    return drawnTrayIcon();
}

QIcon appIcon() {
    const QIcon themed = QIcon::fromTheme(QStringLiteral("tavlets"));
    if (!themed.isNull() && !themed.pixmap(32, 32).isNull()) return themed;
    return drawnTrayIcon();
}

}  // namespace tavlets
