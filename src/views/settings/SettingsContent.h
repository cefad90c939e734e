#pragma once

#include "views/settings/SettingsSection.h"

#include <QPointer>
#include <QWidget>

class QScrollArea;
class SettingsSidebar;
class SettingsView;

// Everything inside the Settings window that a change of language or appearance builds anew: the
// sidebar and the selected section's page in a scrolling detail column.
class SettingsContent : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsContent(SettingsView *view);

    SettingsSidebar *sidebar() const { return m_sidebar; }
    QWidget *page() const { return m_page; }
    SettingsSection shownSection() const { return m_shown; }

private:
    void showSelectedSection();

    SettingsView *m_view;
    SettingsSidebar *m_sidebar;
    QScrollArea *m_detail;
    QPointer<QWidget> m_page;
    SettingsSection m_shown = SettingsSection::General;
};
