#pragma once

class AppearanceManager;
class HistoryService;
class HotKeyManager;
class IgnoredAppsManager;
class LanguageManager;
class LaunchAtLoginManager;
class Preferences;

// What the Settings window works on. Any service may be null (tests leave out what they do not
// drive); the rows of a missing service are left out or do nothing.
struct SettingsServices
{
    Preferences *preferences = nullptr;
    LanguageManager *languages = nullptr;
    AppearanceManager *appearance = nullptr;
    LaunchAtLoginManager *launchAtLogin = nullptr;
    IgnoredAppsManager *ignoredApps = nullptr;
    HotKeyManager *hotKey = nullptr;
    HistoryService *history = nullptr;
};
