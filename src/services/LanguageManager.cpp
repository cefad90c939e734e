#include "services/LanguageManager.h"

#include "platform/DefaultsStore.h"
#include "services/LocalizedAppBundle.h"

namespace {

LanguageManager *s_shared = nullptr;

const QString SystemLanguage = QStringLiteral("system");
const QString SelectedLanguageKey = QStringLiteral("selectedLanguage");
const QString AppleLanguagesKey = QStringLiteral("AppleLanguages");

} // namespace

LanguageManager::LanguageManager(DefaultsStore *store, LocalizedAppBundle *bundle, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_currentLanguage(storedLanguage(store))
{
    LocalizedAppBundle::setSelectedLanguage(m_currentLanguage);
    configureBundle(bundle ? bundle : LocalizedAppBundle::shared());
}

LanguageManager::~LanguageManager()
{
    if (s_shared == this)
        s_shared = nullptr;
}

LanguageManager *LanguageManager::shared()
{
    return s_shared;
}

void LanguageManager::setShared(LanguageManager *manager)
{
    s_shared = manager;
}

void LanguageManager::setLanguage(const QString &code)
{
    LocalizedAppBundle::setSelectedLanguage(code);
    m_currentLanguage = code;
    Q_EMIT currentLanguageChanged(code);
    if (m_store) {
        m_store->set(SelectedLanguageKey, code);
        if (code == SystemLanguage)
            m_store->remove(AppleLanguagesKey);
        else
            m_store->set(AppleLanguagesKey, QStringList{code});
    }
    Q_EMIT appLanguageDidChange(code);
}

void LanguageManager::configureBundle(LocalizedAppBundle *bundle)
{
    LocalizedAppBundle::setShared(bundle);
}

QLocale LanguageManager::localeForLanguage(const QString &code)
{
    if (code.isEmpty() || code == SystemLanguage)
        return QLocale::system();
    return QLocale(code);
}

QString LanguageManager::storedLanguage(const DefaultsStore *store)
{
    if (!store)
        return SystemLanguage;
    const QVariant stored = store->object(SelectedLanguageKey);
    return stored.typeId() == QMetaType::QString ? stored.toString() : SystemLanguage;
}
