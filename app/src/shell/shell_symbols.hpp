#pragma once
// The symbols of the settings page. The ones the panel also draws (the app's paperclip) come from
// its painter, so the tray, the settings page and the panel share one drawing; the rest are drawn
// here.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace tavlets {

// A square pixmap of `side` logical pixels in `color`. Unknown names give a transparent pixmap.
QPixmap shellSymbol(const QString& name, int side, const QColor& color, qreal devicePixelRatio = 1.0);

}  // namespace tavlets
