#pragma once

#include <QLabel>

// A short text on a rounded tint of the accent colour, placed on a Settings card: the capacity
// count and the keys of the Shortcuts section. Its colours come from the palette (PopoverStyle's
// chip colours), so the text reads at 4.5:1 on the tint in light and dark.
class ChipLabel : public QLabel
{
    Q_OBJECT
public:
    ChipLabel(const QString &text, int radius, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyColors();

    int m_radius;
    bool m_applying = false;
};
