#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

// The popup's colours and fonts, derived from the widget's palette so light and dark both work:
// the primary, secondary and tertiary text styles, the accent, and fonts by pixel size.
namespace PopoverStyle {

QColor primary(const QPalette &palette);
QColor secondary(const QPalette &palette);
QColor tertiary(const QPalette &palette);
QColor accent(const QPalette &palette);
// The primary colour at `opacity` (0..1), for fills such as the hover and search backgrounds.
QColor tint(const QPalette &palette, qreal opacity);
// The kind colours of the row icons.
QColor purple(const QPalette &palette);
QColor green(const QPalette &palette);
QColor orange(const QPalette &palette);
QColor destructive(const QPalette &palette);
bool isDark(const QPalette &palette);

QFont font(const QFont &base, int pixelSize, QFont::Weight weight = QFont::Normal);

} // namespace PopoverStyle
