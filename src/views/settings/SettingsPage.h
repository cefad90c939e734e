#pragma once

#include "views/settings/SettingsSection.h"

#include <QWidget>

class QVBoxLayout;
class SettingsGroup;
class SettingsView;

// The base of the four Settings section pages: the section header, then groups in a column.
class SettingsPage : public QWidget
{
    Q_OBJECT
public:
    SettingsPage(SettingsSection section, SettingsView *view);

protected:
    SettingsGroup *addGroup(const QString &header);
    SettingsView *view() const { return m_view; }

private:
    SettingsView *m_view;
    QVBoxLayout *m_layout;
};
