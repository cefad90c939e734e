#pragma once

#include "views/settings/SettingsPage.h"

class QVBoxLayout;
class SettingsGroup;

// The Applications section: adding applications to ignore from the installed ones, the ignore
// list with a remove button per entry, and the running applications to add with one click.
class IgnoredAppsSettingsPage : public SettingsPage
{
    Q_OBJECT
public:
    explicit IgnoredAppsSettingsPage(SettingsView *view);

private:
    void showIgnoredApps();
    void showRunningApps();

    SettingsGroup *m_ignoredGroup;
    QWidget *m_ignoredRows;
    SettingsGroup *m_runningGroup;
    QWidget *m_runningRows;
};
