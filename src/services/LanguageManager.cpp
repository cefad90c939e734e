#include "services/LanguageManager.h"

#include "services/LocalizedAppBundle.h"
#include "services/Preferences.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

LanguageManager *s_shared = nullptr;


} // namespace

LanguageManager::LanguageManager(DefaultsStore *store, LocalizedAppBundle *bundle, QObject *parent)
    : QObject(parent)
    , m_preferences(store ? std::make_unique<Preferences>(store) : nullptr)
    , m_currentLanguage(m_preferences ? m_preferences->selectedLanguage() : Preferences::SystemLanguage)
{
    LocalizedAppBundle::setSelectedLanguage(m_currentLanguage);
    configureBundle(bundle ? bundle : LocalizedAppBundle::shared());
    loadQtTranslations();
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
    loadQtTranslations();
    Q_EMIT currentLanguageChanged(code);
    if (m_preferences) {
        m_preferences->setSelectedLanguage(code);
        if (code == Preferences::SystemLanguage)
            m_preferences->removeAppleLanguages();
        else
            m_preferences->setAppleLanguages({code});
    }
    Q_EMIT appLanguageDidChange(code);
}

void LanguageManager::configureBundle(LocalizedAppBundle *bundle)
{
    LocalizedAppBundle::setShared(bundle);
}

void LanguageManager::loadQtTranslations()
{
    if (!QCoreApplication::instance())
        return;
    if (m_qtTranslator) {
        QCoreApplication::removeTranslator(m_qtTranslator);
        delete m_qtTranslator;
        m_qtTranslator = nullptr;
    }
    const QString language = LocalizedAppBundle::shared()->shownLanguage();
    auto translator = std::make_unique<QTranslator>(this);
    if (translator->load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(translator.get()))
        m_qtTranslator = translator.release();
}

QLocale LanguageManager::localeForLanguage(const QString &code)
{
    if (code.isEmpty() || code == Preferences::SystemLanguage)
        return QLocale::system();
    return QLocale(code);
}
