#include "app/KavlaApp.h"

#include "platform/xdg/JsonDefaultsStore.h"
#include "services/Preferences.h"

KavlaApp::KavlaApp(QObject *parent)
    : QObject(parent)
{
    m_defaults = new JsonDefaultsStore(JsonDefaultsStore::defaultPath(), this);
    DefaultsStore::setShared(m_defaults);
    m_preferences = new Preferences(m_defaults, this);
    Preferences::setShared(m_preferences);
}

KavlaApp::~KavlaApp()
{
    Preferences::setShared(nullptr);
    DefaultsStore::setShared(nullptr);
}
