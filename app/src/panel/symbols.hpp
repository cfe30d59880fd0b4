#pragma once
// Small line-drawn icons, one per symbol name the actions and the tray use. Drawn here with
// QPainter so they look the same on every desktop and under a bare display, whatever icon theme
// is installed.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

namespace tavlets {

// Whether a drawing exists for the name; unknown names draw a plain rounded square.
bool hasSymbol(const QString& name);
// Draws the symbol centred in the largest square that fits in `box`.
void paintSymbol(QPainter& painter, const QString& name, const QRectF& box, const QColor& color);
QPixmap symbolPixmap(const QString& name, const QColor& color, int logicalSize,
                     qreal devicePixelRatio = 1.0);
// An icon with the usual tray and menu sizes, e.g. symbolIcon("paperclip.badge.ellipsis", c).
QIcon symbolIcon(const QString& name, const QColor& color);

}  // namespace tavlets
