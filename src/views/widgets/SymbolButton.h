#pragma once

#include <QToolButton>

// A borderless button showing one system symbol in the secondary colour, with a tooltip that is
// also its accessible name; the symbol is tinted again whenever the palette changes (light/dark).
// Tab reaches it and a ring shows the focus; disabled, it is drawn faint.
class SymbolButton : public QToolButton
{
    Q_OBJECT
public:
    SymbolButton(const QString &symbol, int size, const QString &toolTip, QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void updateIcon();

    QString m_symbol;
    int m_size;
    bool m_hovered = false;
};
