#include "views/widgets/PopoverStyle.h"

#include <algorithm>
#include <cmath>

namespace PopoverStyle {

namespace {

constexpr qreal MinimumMarkContrast = 3.0;

QColor withAlpha(QColor color, qreal opacity)
{
    color.setAlphaF(float(opacity));
    return color;
}

qreal linear(qreal channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

qreal luminance(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

// `a` mixed with `b`, `amount` (0..1) of the way to `b`.
QColor mix(const QColor &a, const QColor &b, qreal amount)
{
    const QColor x = a.toRgb();
    const QColor y = b.toRgb();
    return QColor::fromRgbF(float(x.redF() + (y.redF() - x.redF()) * amount),
                            float(x.greenF() + (y.greenF() - x.greenF()) * amount),
                            float(x.blueF() + (y.blueF() - x.blueF()) * amount));
}

// Fusion draws a button's face a little lighter than the palette's Button colour at its top.
QColor buttonFace(const QPalette &palette)
{
    return palette.color(QPalette::Button).lighter(112);
}

} // namespace

qreal contrastRatio(const QColor &a, const QColor &b)
{
    const qreal la = luminance(a);
    const qreal lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor over(const QColor &color, const QColor &background)
{
    const qreal alpha = color.toRgb().alphaF();
    QColor opaque = color.toRgb();
    opaque.setAlphaF(1.0f);
    return mix(background, opaque, alpha);
}

QColor readable(const QColor &text, const QColor &background, qreal minimum)
{
    const QColor seen = over(text, background);
    if (contrastRatio(seen, background) >= minimum)
        return seen;
    // Towards whichever end reads better on this background, in small steps so the hue stays.
    const QColor end = contrastRatio(Qt::black, background) > contrastRatio(Qt::white, background) ? QColor(Qt::black)
                                                                                                    : QColor(Qt::white);
    QColor result = seen;
    for (int step = 1; step <= 20 && contrastRatio(result, background) < minimum; ++step)
        result = mix(seen, end, step / 20.0);
    return result;
}

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
    QColor text = withAlpha(primary(palette), 0.62);
    for (const QColor &background : {palette.color(QPalette::Window), cardFill(palette), palette.color(QPalette::AlternateBase)})
        text = readable(text, background);
    return text;
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
    // On a dark window a deep selection blue (dark enough for white text on it) is lifted.
    return isDark(palette) && highlight.lightness() < 130 ? highlight.lighter(135) : highlight;
}

QColor badgeFill(const QPalette &palette)
{
    return over(withAlpha(accent(palette), 0.12), palette.color(QPalette::Window));
}

QColor badgeText(const QPalette &palette)
{
    return readable(accent(palette), badgeFill(palette));
}

QColor selectionFill(const QPalette &palette)
{
    return over(withAlpha(accent(palette), isDark(palette) ? 0.30 : 0.20), palette.color(QPalette::Window));
}

QColor selectedBadgeFill(const QPalette &palette)
{
    return over(withAlpha(accent(palette), 0.12), selectionFill(palette));
}

QColor selectedBadgeText(const QPalette &palette)
{
    return readable(accent(palette), selectedBadgeFill(palette));
}

QColor focusRing(const QPalette &palette, const QColor &background)
{
    return readable(accent(palette), background, MinimumMarkContrast);
}

QColor searchFill(const QPalette &palette)
{
    return over(tint(palette, isDark(palette) ? 0.07 : 0.05), palette.color(QPalette::Window));
}

QColor placeholderText(const QPalette &palette)
{
    return readable(secondary(palette), searchFill(palette));
}

QColor cardFill(const QPalette &palette)
{
    return isDark(palette) ? palette.color(QPalette::Window).lighter(135) : palette.color(QPalette::Base);
}

QColor chipFill(const QPalette &palette)
{
    return over(withAlpha(accent(palette), 0.12), cardFill(palette));
}

QColor chipText(const QPalette &palette)
{
    return readable(accent(palette), chipFill(palette));
}

QColor tableFill(const QPalette &palette)
{
    return over(tint(palette, 0.02), palette.color(QPalette::Window));
}

QColor keysText(const QPalette &palette)
{
    return readable(accent(palette), tableFill(palette));
}

QColor linkText(const QPalette &palette)
{
    return readable(accent(palette), cardFill(palette));
}

QColor destructiveText(const QPalette &palette)
{
    return readable(destructive(palette), cardFill(palette));
}

QColor prominentFill(const QPalette &palette)
{
    // Darkened until white reads on it.
    return readable(accent(palette), Qt::white);
}

QColor destructiveButtonText(const QPalette &palette)
{
    const QColor face = buttonFace(palette);
    QColor text = readable(destructive(palette), face);
    // The face is a gradient; read on its darker end too.
    return readable(text, palette.color(QPalette::Button));
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
