#include "views/widgets/SymbolButton.h"

#include "views/widgets/PopoverStyle.h"
#include "views/widgets/SymbolIcon.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

SymbolButton::SymbolButton(const QString &symbol, int size, const QString &toolTip, QWidget *parent)
    : QToolButton(parent)
    , m_symbol(symbol)
    , m_size(size)
{
    setToolTip(toolTip);
    setAccessibleName(toolTip);
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
    // Tab reaches it; a click leaves the keyboard where it was (the search field).
    setFocusPolicy(Qt::TabFocus);
    setIconSize(QSize(size, size));
    setFixedSize(size + 10, size + 10);
    updateIcon();
}

void SymbolButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        updateIcon();
    if (event->type() == QEvent::EnabledChange)
        update();
    QToolButton::changeEvent(event);
}

void SymbolButton::focusInEvent(QFocusEvent *event)
{
    QToolButton::focusInEvent(event);
    update();
}

void SymbolButton::focusOutEvent(QFocusEvent *event)
{
    QToolButton::focusOutEvent(event);
    update();
}

void SymbolButton::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QToolButton::enterEvent(event);
}

void SymbolButton::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QToolButton::leaveEvent(event);
}

void SymbolButton::paintEvent(QPaintEvent *)
{
    // Drawn by hand: styles give auto-raised tool buttons frames that look heavy in the popup.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_hovered || isDown()) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 5, 5);
        painter.fillPath(path, PopoverStyle::tint(palette(), isDown() ? 0.14 : 0.08));
    }
    if (hasFocus()) {
        QPainterPath ring;
        ring.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 5, 5);
        painter.setPen(QPen(PopoverStyle::focusRing(palette(), palette().color(QPalette::Window)), 2));
        painter.drawPath(ring);
    }
    // A button that cannot be used now (the guide's arrows at either end) is drawn faint.
    if (!isEnabled())
        painter.setOpacity(0.35);
    const QPixmap pixmap = icon().pixmap(iconSize(), devicePixelRatioF());
    const QRect target(QPoint((width() - m_size) / 2, (height() - m_size) / 2), QSize(m_size, m_size));
    painter.drawPixmap(target, pixmap);
}

void SymbolButton::updateIcon()
{
    setIcon(QIcon(SymbolIcon::pixmap(m_symbol, PopoverStyle::secondary(palette()), m_size, 2.0)));
}
