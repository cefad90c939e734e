#pragma once

#include <QList>
#include <QString>

#include <optional>

// The four sections of the Settings window, in sidebar order. A section's raw value is its
// Portuguese title, its stored name ("settingsSelectedSection") and its lookup key.
enum class SettingsSection { General, IgnoredApps, Shortcuts, About };

namespace SettingsSections {

QList<SettingsSection> all();
QString rawValue(SettingsSection section);
// No section for any string but the four raw values.
std::optional<SettingsSection> fromRawValue(const QString &raw);
QString symbol(SettingsSection section);
// The header's description, as a lookup key.
QString description(SettingsSection section);
// The sections whose title, as shown in the interface language or in Portuguese, contains
// `searchText` as typed, ignoring case; all of them when the text holds nothing but spaces and tabs.
QList<SettingsSection> filtered(const QString &searchText);

} // namespace SettingsSections
