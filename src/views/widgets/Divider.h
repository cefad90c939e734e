#pragma once

#include <QWidget>

// A one-pixel horizontal rule in the separator colour, inset at both ends.
class Divider : public QWidget
{
    Q_OBJECT
public:
    explicit Divider(int inset, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {40, 1}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_inset;
};
