#pragma once

#include <QImage>
#include <QWidget>

// An image drawn whole inside the widget, scaled down to fit (never up), centred at the top,
// with rounded corners.
class ImageFitView : public QWidget
{
    Q_OBJECT
public:
    static constexpr qreal CornerRadius = 8;

    explicit ImageFitView(QWidget *parent = nullptr);

    void setImage(const QImage &image);
    QImage image() const { return m_image; }
    // Where the image is drawn in the widget's current size.
    QRectF imageRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {32, 32}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};
