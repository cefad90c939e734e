#pragma once

#include <QList>
#include <QString>

#include <optional>

// The user guide's topics, in sidebar order. A topic's raw value is its identity; its title is
// the Portuguese sidebar label and lookup key.
enum class HelpTopic { Welcome, WhatsNew, MenuBar, Shortcuts, IgnoredApps, Settings, Copyright };

namespace HelpTopics {

QList<HelpTopic> all();
QString rawValue(HelpTopic topic);
// No topic for any string but the seven raw values.
std::optional<HelpTopic> fromRawValue(const QString &raw);
QString title(HelpTopic topic);

} // namespace HelpTopics

// One row of the guide's shortcut table: what it does and its keys, in the interface language.
struct ShortcutItem
{
    QString action;
    QString shortcut;
};

namespace HelpShortcuts {

// Every row of the table, in order, looked up in the interface language when called.
QList<ShortcutItem> all();
// The rows whose shown action or keys contain `searchText` as typed, ignoring case; every row
// when the text holds nothing but spaces and tabs. Matching is on the texts the reader sees, in
// the interface language, so "Ctrl" finds the rows whose keys use it.
QList<ShortcutItem> filtered(const QString &searchText);

} // namespace HelpShortcuts
