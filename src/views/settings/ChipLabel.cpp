#include "views/settings/ChipLabel.h"

#include "views/widgets/PopoverStyle.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScopedValueRollback>

ChipLabel::ChipLabel(const QString &text, int radius, QWidget *parent)
    : QLabel(text, parent)
    , m_radius(radius)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    applyColors();
}

void ChipLabel::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), m_radius, m_radius);
        painter.fillPath(shape, PopoverStyle::chipFill(palette()));
    }
    QLabel::paintEvent(event);
}

void ChipLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !m_applying)
        applyColors();
}

void ChipLabel::applyColors()
{
    const QScopedValueRollback<bool> applying(m_applying, true);
    QPalette colors = palette();
    colors.setColor(QPalette::WindowText, PopoverStyle::chipText(colors));
    setPalette(colors);
}
