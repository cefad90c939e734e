#pragma once

class AppearanceManager;
class HistoryService;
class LanguageManager;
class Workspace;

// What the history window works on. The history is required; any other service may be null
// (the source has no icon, the window follows no language change).
struct HistoryWindowServices
{
    HistoryService *history = nullptr;
    Workspace *workspace = nullptr;
    LanguageManager *languages = nullptr;
    AppearanceManager *appearance = nullptr;
};
