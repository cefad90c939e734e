#include "views/PopoverStyle.h"

namespace PopoverStyle {

namespace {
QColor withAlpha(QColor color, qreal opacity)
{
    color.setAlphaF(float(opacity));
    return color;
}
} // namespace

bool isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QColor primary(const QPalette &palette)
{
    return palette.color(QPalette::WindowText);
}

QColor secondary(const QPalette &palette)
{
    return withAlpha(primary(palette), 0.62);
}

QColor tertiary(const QPalette &palette)
{
    return withAlpha(primary(palette), 0.40);
}

QColor accent(const QPalette &palette)
{
    const QColor highlight = palette.color(QPalette::Highlight);
    // Some desktop palettes use a grey selection; the accent should read as a colour.
    if (highlight.hslSaturation() < 40)
        return isDark(palette) ? QColor(0x4c, 0x9d, 0xf0) : QColor(0x1f, 0x6f, 0xd1);
    return isDark(palette) && highlight.lightness() < 110 ? highlight.lighter(135) : highlight;
}

QColor tint(const QPalette &palette, qreal opacity)
{
    return withAlpha(primary(palette), opacity);
}

QColor purple(const QPalette &palette)
{
    return isDark(palette) ? QColor(0xc0, 0x8c, 0xf0) : QColor(0x8e, 0x44, 0xc8);
}

QColor green(const QPalette &palette)
{
    return isDark(palette) ? QColor(0x5c, 0xd0, 0x7a) : QColor(0x24, 0x9a, 0x48);
}

QColor orange(const QPalette &palette)
{
    return isDark(palette) ? QColor(0xff, 0xae, 0x4a) : QColor(0xe0, 0x7a, 0x10);
}

QColor destructive(const QPalette &palette)
{
    return isDark(palette) ? QColor(0xff, 0x6b, 0x60) : QColor(0xd7, 0x30, 0x27);
}

QFont font(const QFont &base, int pixelSize, QFont::Weight weight)
{
    QFont result(base);
    result.setPixelSize(pixelSize);
    result.setWeight(weight);
    return result;
}

} // namespace PopoverStyle
