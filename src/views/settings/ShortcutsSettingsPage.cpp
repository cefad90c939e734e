#include "views/settings/ShortcutsSettingsPage.h"

#include "services/HotKeyManager.h"
#include "services/Preferences.h"
#include "support/Localization.h"
#include "views/settings/ChipLabel.h"
#include "views/settings/SettingsBadge.h"
#include "views/settings/SettingsGroup.h"
#include "views/settings/SettingsView.h"
#include "views/widgets/PopoverStyle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

// Keys shown as they are typed inside Kavla, where Command is Ctrl.
QWidget *explanationRow(const QString &keys, const QString &description)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    auto *chip = new ChipLabel(keys, 4);
    chip->setContentsMargins(6, 2, 6, 2);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(12);
    mono.setBold(true);
    chip->setFont(mono);
    auto *cell = new QHBoxLayout;
    cell->addWidget(chip, 0, Qt::AlignCenter);
    auto *cellWidget = new QWidget;
    cellWidget->setLayout(cell);
    cell->setContentsMargins(0, 0, 0, 0);
    cellWidget->setFixedWidth(QFontMetrics(mono).horizontalAdvance(QStringLiteral("Ctrl+2 … Ctrl+9")) + 16);
    layout->addWidget(cellWidget);
    layout->addWidget(SettingsGroup::caption(description), 1);
    return row;
}

} // namespace

ShortcutsSettingsPage::ShortcutsSettingsPage(SettingsView *view)
    : SettingsPage(SettingsSection::Shortcuts, view)
{
    Preferences *preferences = view->services().preferences;
    HotKeyManager *hotKey = view->services().hotKey;

    SettingsGroup *global = addGroup(L("Atalho Global de Abertura"));
    m_enabled = global->addToggle(QStringLiteral("keyboard.fill"), SettingsBadge::Purple,
                                  L("Habilitar atalho global para abrir o Kavla"));
    m_enabled->setObjectName(PreferenceKeys::globalShortcutEnabled);
    auto *presetLabel = new QLabel(L("Combinação de Teclas"));
    m_preset = new QComboBox;
    m_preset->setObjectName(PreferenceKeys::globalShortcutPreset);
    m_preset->setAccessibleName(presetLabel->text());
    presetLabel->setBuddy(m_preset);
    const char *names[] = {"⌘⇧V (Command + Shift + V)", "⌘⌥V (Command + Option + V)", "⌃⌥V (Control + Option + V)",
                           "⌘⇧H (Command + Shift + H)"};
    const QStringList codes = presets();
    for (int i = 0; i < codes.size(); ++i)
        m_preset->addItem(L(names[i]), codes.at(i));
    auto *presetLine = new QHBoxLayout;
    presetLine->addSpacing(32); // under the switch's text, past its badge
    presetLine->addWidget(presetLabel, 1);
    presetLine->addWidget(m_preset);
    m_presetRow = global->addRow(presetLine);

    if (preferences) {
        connect(preferences, &Preferences::globalShortcutChanged, this, &ShortcutsSettingsPage::showShortcut);
        // On: the stored preset is registered again; off: the grab is released at once.
        connect(m_enabled, &QCheckBox::toggled, this, [preferences, hotKey](bool on) {
            preferences->setGlobalShortcutEnabled(on);
            if (!hotKey)
                return;
            if (on)
                hotKey->applyPreset(preferences->globalShortcutPreset());
            else
                hotKey->unregisterHotKey();
        });
        connect(m_preset, &QComboBox::activated, this, [this, preferences, hotKey](int index) {
            const QString preset = m_preset->itemData(index).toString();
            preferences->setGlobalShortcutPreset(preset);
            if (hotKey)
                hotKey->applyPreset(preset);
        });
    }
    showShortcut();

    SettingsGroup *quick = addGroup(L("Atalhos Rápidos com a Lista Aberta"));
    auto *column = new QVBoxLayout;
    column->setSpacing(8);
    auto *intro = new QLabel(L("Com o menu do Kavla aberto, pressione:"));
    intro->setFont(PopoverStyle::font(font(), 13, QFont::Medium));
    column->addWidget(intro);
    auto *rows = new QVBoxLayout;
    rows->setSpacing(6);
    rows->addWidget(explanationRow(QStringLiteral("Ctrl+1"),
                                   L("Copia o 1º item mais recente para a área de transferência e o move ao topo")));
    rows->addWidget(explanationRow(QStringLiteral("Ctrl+2 … Ctrl+9"),
                                   L("Copia o item correspondente da 2ª à 9ª posição e o move ao topo")));
    rows->addWidget(explanationRow(QStringLiteral("Ctrl+0"), L("Copia o 10º item mais recente e o move ao topo")));
    rows->addWidget(explanationRow(QStringLiteral("↑ ↓"), L("Escolhe o item de cima ou de baixo")));
    rows->addWidget(explanationRow(QStringLiteral("Enter"), L("Copia o item escolhido e o move ao topo")));
    rows->addWidget(explanationRow(QStringLiteral("Esc"), L("Fecha a janela do histórico")));
    rows->addWidget(explanationRow(QStringLiteral("Ctrl+,"), L("Abre esta janela de Ajustes")));
    column->addLayout(rows);
    quick->addRow(column);
}

QStringList ShortcutsSettingsPage::presets()
{
    return {QStringLiteral("cmd_shift_v"), QStringLiteral("cmd_option_v"), QStringLiteral("ctrl_option_v"),
            QStringLiteral("cmd_shift_h")};
}

void ShortcutsSettingsPage::showShortcut()
{
    Preferences *preferences = view()->services().preferences;
    const bool enabled = preferences ? preferences->globalShortcutEnabled() : true;
    const QString preset = preferences ? preferences->globalShortcutPreset() : Preferences::DefaultGlobalShortcutPreset;
    {
        const QSignalBlocker blocker(m_enabled);
        m_enabled->setChecked(enabled);
    }
    m_presetRow->setVisible(enabled);
    const int index = m_preset->findData(preset);
    m_preset->setCurrentIndex(index);
}
