#pragma once

#include "views/settings/SettingsPage.h"

class QCheckBox;
class QComboBox;

// The Shortcuts section: the global hot key switch and its preset, and the keys the popup
// answers to while it is open.
class ShortcutsSettingsPage : public SettingsPage
{
    Q_OBJECT
public:
    explicit ShortcutsSettingsPage(SettingsView *view);

    // The stored preset names, in picker order.
    static QStringList presets();

private:
    void showShortcut();

    QCheckBox *m_enabled;
    QComboBox *m_preset;
    QWidget *m_presetRow;
};
