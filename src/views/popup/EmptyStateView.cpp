#include "views/popup/EmptyStateView.h"

#include "support/Localization.h"
#include "views/widgets/PopoverStyle.h"
#include "views/widgets/SymbolIcon.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

EmptyStateView::EmptyStateView(QWidget *parent)
    : QWidget(parent)
    , m_symbol(new QLabel(this))
    , m_headline(new QLabel(L("Nenhum item copiado"), this))
    , m_hint(new QLabel(L("Copie textos, imagens, tabelas ou arquivos para salvá-los no Kavla."), this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 0, 28, 0);
    layout->setSpacing(12);
    layout->addStretch(1);
    m_symbol->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_symbol);
    m_headline->setAlignment(Qt::AlignCenter);
    m_headline->setWordWrap(true); // some languages need two lines
    m_headline->setFont(PopoverStyle::font(font(), 14, QFont::DemiBold));
    layout->addWidget(m_headline);
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setWordWrap(true);
    m_hint->setFont(PopoverStyle::font(font(), 11));
    layout->addWidget(m_hint);
    layout->addStretch(1);
    applyColors();
}

void EmptyStateView::setNoMatches(bool noMatches)
{
    if (noMatches == m_noMatches)
        return;
    m_noMatches = noMatches;
    // A history that has entries must not look gone because the search found none of them.
    m_headline->setText(noMatches ? L("Nenhum item corresponde à busca") : L("Nenhum item copiado"));
    m_hint->setVisible(!noMatches);
    applyColors();
}

QString EmptyStateView::headline() const
{
    return m_headline->text();
}

void EmptyStateView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        applyColors();
    QWidget::changeEvent(event);
}

void EmptyStateView::applyColors()
{
    const QPalette base = palette();
    m_symbol->setPixmap(SymbolIcon::pixmap(m_noMatches ? QStringLiteral("magnifyingglass") : QStringLiteral("doc.on.clipboard"), PopoverStyle::tertiary(base), 42, 2.0));
    QPalette headline = m_headline->palette();
    headline.setColor(QPalette::WindowText, PopoverStyle::primary(base));
    m_headline->setPalette(headline);
    QPalette hint = m_hint->palette();
    hint.setColor(QPalette::WindowText, PopoverStyle::secondary(base));
    m_hint->setPalette(hint);
}
