#pragma once

class AppearanceManager;
class ClipboardMonitor;
class LanguageManager;
class ModelContainer;
class Workspace;

// What the history window works on. The container is required; any other service may be null
// (copy-back then does nothing, the source has no icon, the window follows no language change).
struct ContentServices
{
    ModelContainer *container = nullptr;
    ClipboardMonitor *monitor = nullptr;
    Workspace *workspace = nullptr;
    LanguageManager *languages = nullptr;
    AppearanceManager *appearance = nullptr;

    // The services the application start-up created, over `container`.
    static ContentServices fromShared(ModelContainer *container);
};
