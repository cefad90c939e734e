#include "views/ContentServices.h"

#include "services/AppearanceManager.h"
#include "services/ClipboardMonitor.h"
#include "services/LanguageManager.h"

ContentServices ContentServices::fromShared(ModelContainer *container)
{
    ClipboardMonitor *monitor = ClipboardMonitor::shared();
    return {container, monitor, monitor ? monitor->workspace() : nullptr, LanguageManager::shared(),
            AppearanceManager::shared()};
}
