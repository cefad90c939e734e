#include "views/popup/PopoverWindow.h"

#include "support/Localization.h"
#include "views/widgets/AccessibleWindows.h"
#include "views/widgets/PopoverStyle.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace {
constexpr int Gap = 4;
constexpr int ScreenMargin = 4;
} // namespace

PopoverWindow::PopoverWindow(QWidget *parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
    , m_layout(new QVBoxLayout(this))
{
    AccessibleWindows::install();
    setObjectName(QStringLiteral("HistoryPopover"));
    setWindowTitle(L("Kavla"));
    // One pixel of frame around the content, painted by paintEvent.
    m_layout->setContentsMargins(1, 1, 1, 1);
    m_layout->setSpacing(0);
    m_layout->setSizeConstraint(QLayout::SetFixedSize);
}

void PopoverWindow::setContent(QWidget *content)
{
    if (m_content) {
        m_layout->removeWidget(m_content);
        m_content->deleteLater();
    }
    m_content = content;
    if (content)
        m_layout->addWidget(content);
}

QRect PopoverWindow::placement(const QRect &anchor, const QSize &size, const QRect &available)
{
    QRect result(QPoint(anchor.center().x() - size.width() / 2, anchor.bottom() + 1 + Gap), size);
    if (result.bottom() > available.bottom() - ScreenMargin && anchor.top() - Gap - size.height() >= available.top())
        result.moveBottom(anchor.top() - 1 - Gap);
    const QRect bounds = available.adjusted(ScreenMargin, ScreenMargin, -ScreenMargin, -ScreenMargin);
    if (result.right() > bounds.right())
        result.moveRight(bounds.right());
    if (result.left() < bounds.left())
        result.moveLeft(bounds.left());
    if (result.bottom() > bounds.bottom())
        result.moveBottom(bounds.bottom());
    if (result.top() < bounds.top())
        result.moveTop(bounds.top());
    return result;
}

void PopoverWindow::fitInto(const QRect &available)
{
    // The content gives up height on a small screen (1366 x 768 at 200 % leaves 384 points).
    const QMargins frame = m_layout->contentsMargins();
    if (m_content)
        m_content->setMaximumHeight(qMax(0, available.height() - 2 * ScreenMargin - frame.top() - frame.bottom()));
    adjustSize();
}

void PopoverWindow::showUnder(const QRect &anchor)
{
    QScreen *screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), sizeHint() * 2);
    fitInto(available);
    move(placement(anchor, sizeHint(), available).topLeft());
    show();
    activateWindow();
    raise();
}

qint64 PopoverWindow::msecsSinceHidden() const
{
    return m_sinceHidden.isValid() ? m_sinceHidden.elapsed() : -1;
}

void PopoverWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), PopoverStyle::tint(palette(), PopoverStyle::isDark(palette()) ? 0.30 : 0.22));
}

void PopoverWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Q_EMIT shown();
}

void PopoverWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_sinceHidden.start();
    Q_EMIT hidden();
}
