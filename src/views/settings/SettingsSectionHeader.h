#pragma once

#include "views/settings/SettingsSection.h"

#include <QWidget>

// The top of a Settings section: its large badge, title and description, centred.
class SettingsSectionHeader : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsSectionHeader(SettingsSection section, QWidget *parent = nullptr);
};
