#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

// The popup's colours and fonts, derived from the widget's palette so light, dark and the
// desktop's own palettes all work: the primary, secondary and tertiary styles, the accent, and
// fonts by pixel size. Every colour meant for text reads at 4.5:1 or more on the background it is
// drawn on (WCAG AA), whatever the palette.
namespace PopoverStyle {

// The WCAG 2 contrast ratio of two opaque colours, from 1 to 21.
qreal contrastRatio(const QColor &a, const QColor &b);
// `color` drawn over the opaque `background`: the opaque colour seen.
QColor over(const QColor &color, const QColor &background);
// `text` moved towards black or white just enough to read at `minimum` (4.5:1 for text, 3:1 for
// focus indicators and other marks that are not text) on `background`.
QColor readable(const QColor &text, const QColor &background, qreal minimum = 4.5);

QColor primary(const QPalette &palette);
// Text of lesser weight (headlines and hints of the empty state, the search placeholder, captions),
// opaque; it reads on the window and on the cards drawn on it.
QColor secondary(const QPalette &palette);
// Symbols only, never text: fainter than any text.
QColor tertiary(const QPalette &palette);
QColor accent(const QPalette &palette);
// The quick-select badge: its opaque fill and the text drawn on it.
QColor badgeFill(const QPalette &palette);
QColor badgeText(const QPalette &palette);
// The chosen row of a list the keyboard moves through, and the badge drawn on it.
QColor selectionFill(const QPalette &palette);
QColor selectedBadgeFill(const QPalette &palette);
QColor selectedBadgeText(const QPalette &palette);
// The ring around whatever has the keyboard focus, seen at 3:1 or more on `background`.
QColor focusRing(const QPalette &palette, const QColor &background);
// The search field's fill and its placeholder text.
QColor searchFill(const QPalette &palette);
QColor placeholderText(const QPalette &palette);
// The rounded card behind the rows of a Settings group.
QColor cardFill(const QPalette &palette);
// A chip on a card (the capacity count, the keys in the Shortcuts section): its fill and text.
QColor chipFill(const QPalette &palette);
QColor chipText(const QPalette &palette);
// The faint fill of the guide's shortcut table and the keys written on it.
QColor tableFill(const QPalette &palette);
QColor keysText(const QPalette &palette);
// Texts drawn on a card in the accent or destructive colour (links, "clear the whole history").
QColor linkText(const QPalette &palette);
QColor destructiveText(const QPalette &palette);
// The fill of a prominent button, with white text on it.
QColor prominentFill(const QPalette &palette);
// The label of the destructive button of the clear-all question.
QColor destructiveButtonText(const QPalette &palette);
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
