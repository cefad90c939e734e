#include "views/settings/SettingsContent.h"

#include "services/Preferences.h"
#include "support/Localization.h"
#include "views/settings/AboutSettingsPage.h"
#include "views/settings/GeneralSettingsPage.h"
#include "views/settings/IgnoredAppsSettingsPage.h"
#include "views/settings/SettingsSidebar.h"
#include "views/settings/SettingsView.h"
#include "views/settings/ShortcutsSettingsPage.h"
#include "views/settings/WheelGuard.h"
#include "views/widgets/FocusScrollArea.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollArea>

SettingsContent::SettingsContent(SettingsView *view)
    : m_view(view)
    , m_sidebar(new SettingsSidebar(this))
    , m_detail(new FocusScrollArea(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_sidebar->setFixedWidth(240);
    m_sidebar->setAutoFillBackground(true);
    m_sidebar->setBackgroundRole(QPalette::AlternateBase);
    layout->addWidget(m_sidebar);
    layout->addWidget(m_detail, 1);

    m_sidebar->searchField()->setText(view->searchText());
    connect(m_sidebar, &SettingsSidebar::searchTextEdited, view, &SettingsView::setSearchText);
    connect(view, &SettingsView::searchTextChanged, this, [this](const QString &text) {
        if (m_sidebar->searchField()->text() != text)
            m_sidebar->searchField()->setText(text);
        m_sidebar->showSections(text, m_view->selectedSection());
    });
    connect(m_sidebar, &SettingsSidebar::sectionChosen, view, &SettingsView::selectSection);
    if (Preferences *preferences = view->services().preferences)
        connect(preferences, &Preferences::settingsSectionChanged, this, &SettingsContent::showSelectedSection);
    m_sidebar->showSections(view->searchText(), view->selectedSection());
    showSelectedSection();
}

void SettingsContent::showSelectedSection()
{
    const SettingsSection section = m_view->selectedSection();
    if (m_page && section == m_shown)
        return;
    m_shown = section;
    m_sidebar->showSections(m_view->searchText(), section);
    QWidget *page = nullptr;
    switch (section) {
    case SettingsSection::General:
        page = new GeneralSettingsPage(m_view);
        break;
    case SettingsSection::IgnoredApps:
        page = new IgnoredAppsSettingsPage(m_view);
        break;
    case SettingsSection::Shortcuts:
        page = new ShortcutsSettingsPage(m_view);
        break;
    case SettingsSection::About:
        page = new AboutSettingsPage(m_view);
        break;
    }
    WheelGuard::guardChildren(page);
    // The old page goes later: the row click that replaced it may still be on the stack.
    if (QWidget *old = m_detail->takeWidget())
        old->deleteLater();
    m_page = page;
    m_detail->setWidget(page);
    m_detail->setAccessibleName(L(SettingsSections::rawValue(section)));
}
