#include "views/popup/ClearConfirmation.h"

#include "support/Localization.h"
#include "views/widgets/PopoverStyle.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

ClearConfirmation::ClearConfirmation(QWidget *parent)
    : QWidget(parent)
    , m_card(new QWidget(this))
    , m_cancel(new QPushButton(L("Cancelar"), m_card))
    , m_confirm(new QPushButton(L("Limpar Tudo"), m_card))
{
    setAttribute(Qt::WA_NoSystemBackground);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 0, 24, 0);
    outer->addStretch(1);
    outer->addWidget(m_card);
    outer->addStretch(1);

    auto *layout = new QVBoxLayout(m_card);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(8);
    auto *title = new QLabel(L("Limpar Todo o Histórico?"), m_card);
    title->setFont(PopoverStyle::font(font(), 14, QFont::Bold));
    title->setAlignment(Qt::AlignCenter);
    title->setWordWrap(true);
    layout->addWidget(title);
    auto *message = new QLabel(L("Esta ação apagará todos os itens salvos no histórico da área de transferência."), m_card);
    message->setFont(PopoverStyle::font(font(), 12));
    message->setAlignment(Qt::AlignCenter);
    message->setWordWrap(true);
    layout->addWidget(message);
    layout->addSpacing(8);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(m_cancel, 1);
    buttons->addWidget(m_confirm, 1);
    layout->addLayout(buttons);
    // One button at a time looks chosen: the one with the focus, which Enter and Space press.
    // (A fixed default button would keep its frame while Tab moves the focus to the other.)
    for (QPushButton *button : {m_cancel, m_confirm})
        button->setAutoDefault(true);
    QPalette destructive = m_confirm->palette();
    destructive.setColor(QPalette::ButtonText, PopoverStyle::destructiveButtonText(palette()));
    m_confirm->setPalette(destructive);
    m_card->installEventFilter(this);

    connect(m_cancel, &QPushButton::clicked, this, [this] {
        hide();
        Q_EMIT cancelled();
    });
    connect(m_confirm, &QPushButton::clicked, this, [this] {
        hide();
        Q_EMIT confirmed();
    });
    hide();
}

void ClearConfirmation::present()
{
    setGeometry(parentWidget()->rect());
    raise();
    show();
    m_cancel->setFocus();
}

bool ClearConfirmation::focusNextPrevChild(bool)
{
    // The controls behind the sheet are covered: reaching them by Tab would act on what the
    // user cannot see while the question waits.
    (m_cancel->hasFocus() ? m_confirm : m_cancel)->setFocus(Qt::TabFocusReason);
    return true;
}

void ClearConfirmation::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, PopoverStyle::isDark(palette()) ? 110 : 60));
}

bool ClearConfirmation::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_card && event->type() == QEvent::Paint) {
        QPainter painter(m_card);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(m_card->rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
        const QPalette &colors = palette();
        QColor card = colors.color(QPalette::Window);
        card = PopoverStyle::isDark(colors) ? card.lighter(118) : card.lighter(104);
        painter.fillPath(path, card);
        painter.setPen(QPen(PopoverStyle::tint(colors, 0.15), 1));
        painter.drawPath(path);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
