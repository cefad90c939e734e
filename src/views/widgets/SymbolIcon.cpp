#include "views/widgets/SymbolIcon.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

// Outside any namespace, as Q_INIT_RESOURCE requires. The resources live in a static library,
// whose registration the linker would otherwise drop.
static int registerResources()
{
    Q_INIT_RESOURCE(resources);
    return 0;
}

static void initResources()
{
    static const int done = registerResources();
    Q_UNUSED(done);
}

namespace {

// The drawings use black as the ink colour; everything else in them (white accents) stays.
QByteArray drawing(const QString &name)
{
    initResources();
    static QHash<QString, QByteArray> cache;
    auto found = cache.constFind(name);
    if (found != cache.constEnd())
        return *found;
    QFile file(QStringLiteral(":/icons/%1.svg").arg(name));
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    cache.insert(name, bytes);
    return bytes;
}

} // namespace

namespace SymbolIcon {

bool exists(const QString &name)
{
    return !drawing(name).isEmpty();
}

QPixmap pixmap(const QString &name, const QColor &color, int size, qreal devicePixelRatio)
{
    QByteArray svg = drawing(name);
    if (svg.isEmpty() || size <= 0)
        return {};
    const QByteArray ink = color.name(QColor::HexRgb).toLatin1();
    svg.replace("\"#000\"", "\"" + ink + "\"");
    QSvgRenderer renderer(svg);
    const int pixels = qRound(size * devicePixelRatio);
    QPixmap result(pixels, pixels);
    result.fill(Qt::transparent);
    {
        QPainter painter(&result);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(color.alphaF());
        renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    }
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QIcon icon(const QString &name, const QColor &color)
{
    QIcon result;
    for (const int size : {12, 14, 16, 22, 24, 32, 48, 64})
        result.addPixmap(pixmap(name, color, size));
    for (const int size : {16, 22, 32})
        result.addPixmap(pixmap(name, color, size, 2.0));
    return result;
}

} // namespace SymbolIcon
