#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QVBoxLayout;

// The frameless popup that hangs under the tray icon: closes on a click outside it (Qt::Popup),
// takes the keyboard while shown, and reports every way it disappears through hidden().
class PopoverWindow : public QWidget
{
    Q_OBJECT
public:
    explicit PopoverWindow(QWidget *parent = nullptr);

    void setContent(QWidget *content);
    QWidget *content() const { return m_content; }

    // Shows the popup centred under `anchor` (the tray icon), kept on the anchor's screen and
    // placed above it when there is no room below.
    void showUnder(const QRect &anchor);
    // Lowers the content to the height the `available` room of a screen leaves, when it must.
    void fitInto(const QRect &available);
    static QRect placement(const QRect &anchor, const QSize &size, const QRect &available);

    // Milliseconds since the popup was last hidden, or -1 when it never was.
    qint64 msecsSinceHidden() const;

Q_SIGNALS:
    void shown();
    void hidden();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QVBoxLayout *m_layout;
    QWidget *m_content = nullptr;
    QElapsedTimer m_sinceHidden;
};
