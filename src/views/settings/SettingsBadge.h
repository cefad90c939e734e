#pragma once

#include <QColor>
#include <QWidget>

// A system symbol drawn in white on a small rounded square filled with a gradient of a colour:
// the icon of the Settings sidebar rows, section headers and form rows.
class SettingsBadge : public QWidget
{
    Q_OBJECT
public:
    // The badge colours, fixed in both schemes: each keeps white symbols readable on it.
    static const QColor Blue;
    static const QColor Red;
    static const QColor Purple;
    static const QColor Gray;
    static const QColor Green;
    static const QColor Orange;

    SettingsBadge(const QString &symbol, const QColor &color, int size = 22, int iconSize = 13,
                  QWidget *parent = nullptr);

    QString symbol() const { return m_symbol; }
    QColor color() const { return m_color; }
    QSize sizeHint() const override { return {m_size, m_size}; }

    // The badge as a picture, for item views that take icons.
    static QPixmap render(const QString &symbol, const QColor &color, int size, int iconSize, qreal devicePixelRatio);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_symbol;
    QColor m_color;
    int m_size;
    int m_iconSize;
};
