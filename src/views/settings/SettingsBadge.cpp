#include "views/settings/SettingsBadge.h"

#include "views/widgets/SymbolIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

const QColor SettingsBadge::Blue(0x1f, 0x6f, 0xd1);
const QColor SettingsBadge::Red(0xd7, 0x30, 0x27);
const QColor SettingsBadge::Purple(0x8e, 0x44, 0xc8);
const QColor SettingsBadge::Gray(0x6e, 0x6e, 0x73);
const QColor SettingsBadge::Green(0x1e, 0x8c, 0x3e);
const QColor SettingsBadge::Orange(0xc8, 0x5a, 0x00);

namespace {

void paintBadge(QPainter &painter, const QRectF &square, const QString &symbol, const QColor &color, int iconSize,
                qreal devicePixelRatio)
{
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    const qreal radius = 0.24 * square.width();
    shape.addRoundedRect(square, radius, radius);
    QLinearGradient fill(square.topLeft(), square.bottomLeft());
    fill.setColorAt(0, color.lighter(118));
    fill.setColorAt(1, color);
    painter.fillPath(shape, fill);
    const QPixmap glyph = SymbolIcon::pixmap(symbol, Qt::white, iconSize, devicePixelRatio);
    if (!glyph.isNull()) {
        const QRectF target(square.center().x() - iconSize / 2.0, square.center().y() - iconSize / 2.0, iconSize,
                            iconSize);
        painter.drawPixmap(target, glyph, QRectF(glyph.rect()));
    }
}

} // namespace

SettingsBadge::SettingsBadge(const QString &symbol, const QColor &color, int size, int iconSize, QWidget *parent)
    : QWidget(parent)
    , m_symbol(symbol)
    , m_color(color)
    , m_size(size)
    , m_iconSize(iconSize)
{
    setFixedSize(size, size);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QPixmap SettingsBadge::render(const QString &symbol, const QColor &color, int size, int iconSize, qreal devicePixelRatio)
{
    QPixmap result(qRound(size * devicePixelRatio), qRound(size * devicePixelRatio));
    result.setDevicePixelRatio(devicePixelRatio);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    paintBadge(painter, QRectF(0, 0, size, size), symbol, color, iconSize, devicePixelRatio);
    return result;
}

void SettingsBadge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintBadge(painter, QRectF(rect()), m_symbol, m_color, m_iconSize, devicePixelRatioF());
}
