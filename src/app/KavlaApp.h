#pragma once

#include <QObject>

#include <memory>

class AppearanceManager;
class DefaultsStore;
class LanguageManager;
class LocalizedAppBundle;
class Preferences;

// The application description: builds the process-wide services in their start-up order, makes
// them reachable through their shared() accessors, and keeps them for the life of the process.
class KavlaApp : public QObject
{
    Q_OBJECT
public:
    explicit KavlaApp(QObject *parent = nullptr);
    ~KavlaApp() override;

private:
    DefaultsStore *m_defaults = nullptr;
    Preferences *m_preferences = nullptr;
    std::unique_ptr<LocalizedAppBundle> m_bundle;
    LanguageManager *m_languageManager = nullptr;
    AppearanceManager *m_appearanceManager = nullptr;
};
