#include "views/ContentServices.h"

#include "services/AppearanceManager.h"
#include "services/ClipboardMonitor.h"
#include "services/LanguageManager.h"

ContentServices ContentServices::fromShared(HistoryService *history)
{
    ClipboardMonitor *monitor = ClipboardMonitor::shared();
    return {history, monitor ? monitor->workspace() : nullptr, LanguageManager::shared(), AppearanceManager::shared()};
}
