#include "views/SettingsServices.h"

#include "services/AppearanceManager.h"
#include "services/HotKeyManager.h"
#include "services/IgnoredAppsManager.h"
#include "services/LanguageManager.h"
#include "services/LaunchAtLoginManager.h"
#include "services/Preferences.h"

SettingsServices SettingsServices::fromShared(HistoryService *history)
{
    return {Preferences::shared(),         LanguageManager::shared(),    AppearanceManager::shared(),
            LaunchAtLoginManager::shared(), IgnoredAppsManager::shared(), HotKeyManager::shared(),
            history};
}
