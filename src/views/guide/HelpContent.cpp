#include "views/guide/HelpContent.h"

#include "support/Localization.h"
#include "views/guide/HelpPages.h"
#include "views/guide/HelpView.h"
#include "views/widgets/Divider.h"
#include "views/widgets/FocusScrollArea.h"
#include "views/widgets/PopoverStyle.h"
#include "views/widgets/SearchBar.h"
#include "views/widgets/SidebarDelegate.h"
#include "views/widgets/SymbolButton.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

constexpr int TopicRole = Qt::UserRole + 1;
// Room left above a row that starts a section without a header.
constexpr int GapAboveRole = Qt::UserRole + 2;
constexpr int SectionGap = 10;

// Draws a topic row below the gap its section leaves above it, so the gap is no row of its own
// (an empty row would be an unnamed item to assistive tools).
class TopicDelegate : public SidebarDelegate
{
public:
    using SidebarDelegate::SidebarDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return SidebarDelegate::sizeHint(option, index) + QSize(0, index.data(GapAboveRole).toInt());
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem below = option;
        below.rect.setTop(option.rect.top() + index.data(GapAboveRole).toInt());
        SidebarDelegate::paint(painter, below, index);
    }
};

// The sidebar's sections: the first and last without a header.
struct TopicSection
{
    const char *header;
    QList<HelpTopic> topics;
};

QList<TopicSection> topicSections()
{
    return {{nullptr, {HelpTopic::Welcome, HelpTopic::WhatsNew}},
            {"Guia do Kavla", {HelpTopic::MenuBar, HelpTopic::Shortcuts, HelpTopic::IgnoredApps, HelpTopic::Settings}},
            {nullptr, {HelpTopic::Copyright}}};
}

} // namespace

HelpContent::HelpContent(HelpView *view)
    : QWidget(view)
    , m_view(view)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *split = new QSplitter(Qt::Horizontal, this);
    split->setChildrenCollapsible(false);
    split->addWidget(buildSidebar());
    split->addWidget(buildDetail());
    split->setStretchFactor(1, 1);
    split->setSizes({250, 630});
    layout->addWidget(split);

    connect(m_view, &HelpView::stateChanged, this, &HelpContent::update);
    update();
}

QWidget *HelpContent::page() const
{
    return m_scroll->widget();
}

QWidget *HelpContent::buildSidebar()
{
    auto *sidebar = new QWidget(this);
    sidebar->setMinimumWidth(220);
    sidebar->setMaximumWidth(300);
    auto *column = new QVBoxLayout(sidebar);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_topics = new QListWidget(sidebar);
    m_topics->setAccessibleName(L("Guia do Usuário"));
    m_topics->setFrameShape(QFrame::NoFrame);
    m_topics->setSpacing(1);
    m_topics->viewport()->setAutoFillBackground(false);
    m_topics->setItemDelegate(new TopicDelegate(m_topics));
    const QList<TopicSection> sections = topicSections();
    for (qsizetype index = 0; index < sections.size(); ++index) {
        const TopicSection &section = sections.at(index);
        if (section.header) {
            // A header, which cannot be chosen.
            auto *header = new QListWidgetItem(L(section.header), m_topics);
            header->setFlags(Qt::NoItemFlags);
            header->setFont(PopoverStyle::font(font(), 11, QFont::DemiBold));
            header->setForeground(PopoverStyle::secondary(palette()));
            header->setSizeHint(QSize(0, 28));
        }
        for (HelpTopic topic : section.topics) {
            auto *item = new QListWidgetItem(L(HelpTopics::title(topic)), m_topics);
            item->setData(TopicRole, int(topic));
            const int gap = index > 0 && !section.header && topic == section.topics.first() ? SectionGap : 0;
            item->setData(GapAboveRole, gap);
            item->setSizeHint(QSize(0, 30));
        }
    }
    connect(m_topics, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        // Clearing the selection is ignored: the shown topic stays.
        if (item && item->data(TopicRole).isValid())
            m_view->navigateTo(HelpTopic(item->data(TopicRole).toInt()));
    });
    auto *listMargins = new QVBoxLayout;
    listMargins->setContentsMargins(8, 10, 8, 6);
    listMargins->addWidget(m_topics);
    column->addLayout(listMargins, 1);
    column->addWidget(new Divider(0, sidebar));

    auto *arrows = new QHBoxLayout;
    arrows->setContentsMargins(16, 10, 16, 10);
    m_back = new SymbolButton(QStringLiteral("chevron.left"), 14, L("Voltar"), sidebar);
    m_back->setAccessibleName(L("Voltar"));
    connect(m_back, &QToolButton::clicked, m_view, &HelpView::goBack);
    arrows->addWidget(m_back);
    m_forward = new SymbolButton(QStringLiteral("chevron.right"), 14, L("Avançar"), sidebar);
    m_forward->setAccessibleName(L("Avançar"));
    connect(m_forward, &QToolButton::clicked, m_view, &HelpView::goForward);
    arrows->addWidget(m_forward);
    arrows->addStretch(1);
    column->addLayout(arrows);
    return sidebar;
}

QWidget *HelpContent::buildDetail()
{
    auto *detail = new QWidget(this);
    auto *column = new QVBoxLayout(detail);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(24, 12, 24, 12);
    bar->addStretch(1);
    m_search = new SearchBar(detail);
    m_search->field()->setPlaceholderText(L("Buscar na Ajuda"));
    m_search->field()->setAccessibleName(L("Buscar na Ajuda"));
    m_search->setFixedWidth(240);
    m_search->setText(m_view->searchText());
    connect(m_search, &SearchBar::textChanged, m_view, &HelpView::setSearchText);
    bar->addWidget(m_search);
    column->addLayout(bar);
    column->addWidget(new Divider(0, detail));

    m_scroll = new FocusScrollArea(detail);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->addWidget(m_scroll, 1);
    return detail;
}

void HelpContent::update()
{
    const HelpTopic shown = m_view->shownTopic();
    {
        const QSignalBlocker blocker(m_topics);
        for (int row = 0; row < m_topics->count(); ++row) {
            QListWidgetItem *item = m_topics->item(row);
            if (item->data(TopicRole).isValid() && HelpTopic(item->data(TopicRole).toInt()) == m_view->selectedTopic())
                m_topics->setCurrentItem(item);
        }
    }
    m_back->setEnabled(m_view->canGoBack());
    m_forward->setEnabled(m_view->canGoForward());

    // A page is built again only when what it shows changed: the search changes only the
    // shortcut table, so typing while another page is shown leaves that page alone.
    const QString search = shown == HelpTopic::Shortcuts ? m_view->searchText() : QString();
    if (m_pageTopic == shown && m_pageSearch == search && m_scroll->widget())
        return;
    const int scrolled = m_pageTopic == shown ? m_scroll->verticalScrollBar()->value() : 0;
    m_pageTopic = shown;
    m_pageSearch = search;
    auto *page = new QWidget;
    auto *padding = new QVBoxLayout(page);
    padding->setContentsMargins(32, 32, 32, 32);
    padding->addWidget(HelpPages::build(shown, m_view->filteredShortcuts(), page));
    padding->addStretch(1);
    delete m_scroll->takeWidget();
    m_scroll->setWidget(page);
    m_scroll->setAccessibleName(L(HelpTopics::title(shown)));
    m_scroll->verticalScrollBar()->setValue(scrolled);
}
