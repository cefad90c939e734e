#include "views/SettingsServices.h"

#include "services/AppearanceManager.h"
#include "services/ClipboardMonitor.h"
#include "services/HotKeyManager.h"
#include "services/IgnoredAppsManager.h"
#include "services/LanguageManager.h"
#include "services/LaunchAtLoginManager.h"
#include "services/Preferences.h"
#include "store/ModelContainer.h"

SettingsServices SettingsServices::fromShared(ModelContainer *container)
{
    return {Preferences::shared(),         LanguageManager::shared(),    AppearanceManager::shared(),
            LaunchAtLoginManager::shared(), IgnoredAppsManager::shared(), HotKeyManager::shared(),
            ClipboardMonitor::shared(),    container ? container->mainContext() : nullptr};
}
