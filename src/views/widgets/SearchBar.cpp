#include "views/widgets/SearchBar.h"

#include "support/Localization.h"
#include "views/widgets/PopoverStyle.h"
#include "views/widgets/SymbolButton.h"
#include "views/widgets/SymbolIcon.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

SearchBar::SearchBar(QWidget *parent)
    : QWidget(parent)
    , m_magnifier(new QLabel(this))
    , m_field(new QLineEdit(this))
    , m_clear(new SymbolButton(QStringLiteral("xmark.circle.fill"), 13, L("Limpar Busca"), this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 6, 6, 6);
    layout->setSpacing(8);
    m_magnifier->setFixedSize(14, 14);
    layout->addWidget(m_magnifier);

    m_field->setObjectName(QStringLiteral("searchField"));
    m_clear->setObjectName(QStringLiteral("searchClear"));
    m_field->setFrame(false);
    m_field->setPlaceholderText(L("Buscar no histórico..."));
    m_field->setAccessibleName(L("Buscar no histórico"));
    m_field->setFont(PopoverStyle::font(font(), 13));
    m_field->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_field->setClearButtonEnabled(false);
    m_field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; padding: 0; }"));
    layout->addWidget(m_field, 1);

    m_clear->setFixedSize(18, 18);
    m_clear->setVisible(false);
    layout->addWidget(m_clear);
    setFixedHeight(32);

    connect(m_field, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_clear->setVisible(!text.isEmpty());
        Q_EMIT textChanged(text);
    });
    connect(m_clear, &QToolButton::clicked, this, [this] {
        m_field->clear();
        m_field->setFocus(Qt::OtherFocusReason);
    });
    updateSymbols();
}

QString SearchBar::text() const
{
    return m_field->text();
}

void SearchBar::setText(const QString &text)
{
    m_field->setText(text);
}

void SearchBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 8, 8);
    painter.fillPath(path, PopoverStyle::searchFill(palette()));
}

void SearchBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        updateSymbols();
    QWidget::changeEvent(event);
}

void SearchBar::updateSymbols()
{
    m_magnifier->setPixmap(SymbolIcon::pixmap(QStringLiteral("magnifyingglass"), PopoverStyle::secondary(palette()),
                                              14, 2.0));
    // The style's placeholder is half-transparent text, too faint to read on the fill.
    QPalette field = m_field->palette();
    field.setColor(QPalette::PlaceholderText, PopoverStyle::placeholderText(palette()));
    m_field->setPalette(field);
}
