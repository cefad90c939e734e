#include "views/settings/SettingsSidebar.h"

#include "support/Localization.h"
#include "views/settings/SettingsBadge.h"
#include "views/settings/SettingsGroup.h"
#include "views/settings/SettingsView.h"
#include "views/widgets/PopoverStyle.h"
#include "views/widgets/SidebarDelegate.h"
#include "views/widgets/SymbolIcon.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {
constexpr int SectionRole = Qt::UserRole + 1;
}

SettingsSidebar::SettingsSidebar(QWidget *parent)
    : QWidget(parent)
    , m_search(new QLineEdit(this))
    , m_list(new QListWidget(this))
{
    setMinimumWidth(210);
    setMaximumWidth(280);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 12, 10, 12);
    layout->setSpacing(10);

    m_search->setPlaceholderText(L("Buscar ajustes"));
    // The style's placeholder is half-transparent text, too faint to read.
    QPalette field = m_search->palette();
    field.setColor(QPalette::PlaceholderText, PopoverStyle::readable(PopoverStyle::secondary(field), field.color(QPalette::Base)));
    m_search->setPalette(field);
    m_search->setAccessibleName(L("Buscar ajustes"));
    m_search->setClearButtonEnabled(true);
    // The field's two small buttons are named after what they do, for assistive tools.
    if (auto *clear = m_search->findChild<QAction *>(QStringLiteral("_q_qlineeditclearaction")))
        clear->setText(L("Limpar Busca"));
    m_search->addAction(SymbolIcon::icon(QStringLiteral("magnifyingglass"), PopoverStyle::secondary(palette())),
                        QLineEdit::LeadingPosition)
        ->setText(L("Buscar ajustes"));
    connect(m_search, &QLineEdit::textEdited, this, &SettingsSidebar::searchTextEdited);
    layout->addWidget(m_search);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(4, 4, 4, 4);
    header->setSpacing(12);
    auto *symbol = new QLabel(this);
    symbol->setPixmap(SymbolIcon::pixmap(QStringLiteral("clock.arrow.circlepath"), PopoverStyle::accent(palette()), 30,
                                         devicePixelRatioF() > 1 ? devicePixelRatioF() : 2.0));
    header->addWidget(symbol);
    auto *names = new QVBoxLayout;
    names->setSpacing(2);
    names->addWidget(SettingsGroup::headline(L("Kavla"), this));
    QLabel *subtitle = SettingsGroup::caption(L("Gerenciador de Área de Transferência"), this);
    subtitle->setFont(PopoverStyle::font(font(), 10));
    names->addWidget(subtitle);
    header->addLayout(names, 1);
    layout->addLayout(header);

    m_list->setAccessibleName(L("Ajustes"));
    m_list->setItemDelegate(new SidebarDelegate(m_list));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setIconSize(QSize(22, 22));
    m_list->setSpacing(2);
    m_list->viewport()->setAutoFillBackground(false);
    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        // A list emptied by the search selects nothing: the shown section stays.
        if (item)
            Q_EMIT sectionChosen(SettingsSection(item->data(SectionRole).toInt()));
    });
    layout->addWidget(m_list, 1);

    m_noMatches = SettingsGroup::caption(L("Nenhuma seção corresponde à busca"), this);
    m_noMatches->setObjectName(QStringLiteral("noMatchingSection"));
    m_noMatches->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_noMatches->setContentsMargins(8, 4, 8, 4);
    m_noMatches->hide();
    layout->insertWidget(layout->indexOf(m_list), m_noMatches);
}

void SettingsSidebar::showSections(const QString &searchText, SettingsSection selected)
{
    const QSignalBlocker blocker(m_list);
    const QList<SettingsSection> sections = SettingsSections::filtered(searchText);
    // The rows are made again only when the search changes which sections they list: this also
    // runs from a row's own selection, where deleting the rows would pull them from under the list.
    if (sections != listedSections()) {
        m_list->clear();
        const qreal ratio = devicePixelRatioF() > 1 ? devicePixelRatioF() : 2.0;
        for (SettingsSection section : sections) {
            auto *item = new QListWidgetItem(QIcon(SettingsBadge::render(SettingsSections::symbol(section),
                                                                         SettingsView::badgeColor(section), 22, 13, ratio)),
                                             L(SettingsSections::rawValue(section)), m_list);
            item->setData(SectionRole, int(section));
            item->setSizeHint(QSize(0, 32));
        }
    }
    m_noMatches->setVisible(sections.isEmpty());
    const qsizetype row = sections.indexOf(selected);
    if (row >= 0)
        m_list->setCurrentRow(int(row));
    else
        m_list->setCurrentItem(nullptr);
}

QList<SettingsSection> SettingsSidebar::listedSections() const
{
    QList<SettingsSection> result;
    for (int row = 0; row < m_list->count(); ++row)
        result << SettingsSection(m_list->item(row)->data(SectionRole).toInt());
    return result;
}
