#include "views/history/ImageFitView.h"

#include <QPainter>
#include <QPainterPath>

ImageFitView::ImageFitView(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ImageFitView::setImage(const QImage &image)
{
    m_image = image;
    updateGeometry();
    update();
}

QRectF ImageFitView::imageRect() const
{
    if (m_image.isNull())
        return {};
    const QSizeF natural = m_image.deviceIndependentSize();
    QSizeF fitted = natural;
    if (natural.width() > width() || natural.height() > height())
        fitted = natural.scaled(QSizeF(size()), Qt::KeepAspectRatio);
    return {(width() - fitted.width()) / 2, 0, fitted.width(), fitted.height()};
}

QSize ImageFitView::sizeHint() const
{
    return m_image.isNull() ? QSize(200, 200) : m_image.deviceIndependentSize().toSize().boundedTo(QSize(800, 800));
}

void ImageFitView::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF target = imageRect();
    QPainterPath clip;
    clip.addRoundedRect(target, CornerRadius, CornerRadius);
    painter.setClipPath(clip);
    painter.drawImage(target, m_image);
}
