#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The system symbols ("trash", "gearshape", ...) drawn from our own SVG files in the /icons
// resource, tinted at run time so one drawing serves light and dark palettes.
namespace SymbolIcon {

// The symbol at `size` device-independent pixels in `color`, sharp at `devicePixelRatio`.
// A name without a drawing gives a null pixmap.
QPixmap pixmap(const QString &name, const QColor &color, int size, qreal devicePixelRatio = 1.0);

// The symbol as an icon in `color`, rendered for the usual small sizes.
QIcon icon(const QString &name, const QColor &color);

bool exists(const QString &name);

} // namespace SymbolIcon
