#pragma once

#include "views/settings/SettingsPage.h"

class QCheckBox;
class QComboBox;
class QLabel;
class CapacitySlider;
class ChipLabel;

// The General section: capacity, content kinds, behaviour (sound, launch at login, clipboard
// keeping, paste after choosing), language, appearance and clearing the history.
class GeneralSettingsPage : public SettingsPage
{
    Q_OBJECT
public:
    explicit GeneralSettingsPage(SettingsView *view);

    // The language and appearance choices, in picker order.
    static QStringList languageCodes();
    static QStringList appearanceCodes();

private:
    void addCapacityGroup();
    void addContentKindsGroup();
    void addBehaviourGroup();
    void addLanguageGroup();
    void addAppearanceGroup();
    void addDataGroup();
    void showCapacity();
    void showLaunchStatus();

    ChipLabel *m_countChip = nullptr;
    CapacitySlider *m_slider = nullptr;
    QCheckBox *m_launchToggle = nullptr;
    QWidget *m_approvalRow = nullptr;
    QWidget *m_errorRow = nullptr;
    QLabel *m_errorText = nullptr;
    bool m_approvalShown = false;
};
