#pragma once

#include <QWidget>

class QPushButton;

// The question asked before the whole history is deleted, as a sheet over the popup (a separate
// dialog window would fight the popup for the pointer and keyboard grab).
class ClearConfirmation : public QWidget
{
    Q_OBJECT
public:
    explicit ClearConfirmation(QWidget *parent);

    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *confirmButton() const { return m_confirm; }

    // Covers the parent and gives Cancel the focus.
    void present();

Q_SIGNALS:
    void confirmed();
    void cancelled();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // While the question is shown, Tab and Shift+Tab go between its two buttons only.
    bool focusNextPrevChild(bool next) override;

private:
    QWidget *m_card;
    QPushButton *m_cancel;
    QPushButton *m_confirm;
};
