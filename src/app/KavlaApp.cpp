#include "app/KavlaApp.h"

#include "platform/xdg/JsonDefaultsStore.h"
#include "services/AppearanceManager.h"
#include "services/LanguageManager.h"
#include "services/LocalizedAppBundle.h"
#include "services/Preferences.h"

KavlaApp::KavlaApp(QObject *parent)
    : QObject(parent)
{
    m_defaults = new JsonDefaultsStore(JsonDefaultsStore::defaultPath(), this);
    DefaultsStore::setShared(m_defaults);
    m_preferences = new Preferences(m_defaults, this);
    Preferences::setShared(m_preferences);

    // The managers the windows observe; then every lookup goes through the in-app language
    // choice, and the stored appearance is applied before any window exists.
    m_bundle = std::make_unique<LocalizedAppBundle>(
        LocalizedAppBundle::defaultResourceRoot(),
        LocalizedAppBundle::platformPreferredLanguages(m_defaults));
    m_languageManager = new LanguageManager(m_defaults, m_bundle.get(), this);
    LanguageManager::setShared(m_languageManager);
    m_appearanceManager = new AppearanceManager(m_defaults, this);
    AppearanceManager::setShared(m_appearanceManager);
    m_languageManager->configureBundle(m_bundle.get());
    m_appearanceManager->applyAppearance(m_appearanceManager->currentAppearance());
}

KavlaApp::~KavlaApp()
{
    AppearanceManager::setShared(nullptr);
    LanguageManager::setShared(nullptr);
    // The language manager refers to the bundle: it goes first.
    delete m_languageManager;
    delete m_appearanceManager;
    Preferences::setShared(nullptr);
    DefaultsStore::setShared(nullptr);
}
