#include "views/settings/SettingsPage.h"

#include "views/settings/SettingsGroup.h"
#include "views/settings/SettingsSectionHeader.h"

#include <QVBoxLayout>

SettingsPage::SettingsPage(SettingsSection section, SettingsView *view)
    : m_view(view)
    , m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(24, 8, 24, 24);
    m_layout->setSpacing(18);
    m_layout->addWidget(new SettingsSectionHeader(section, this));
    m_layout->addStretch(1);
}

SettingsGroup *SettingsPage::addGroup(const QString &header)
{
    auto *group = new SettingsGroup(header, this);
    m_layout->insertWidget(m_layout->count() - 1, group);
    return group;
}
