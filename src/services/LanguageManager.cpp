#include "services/LanguageManager.h"

#include "services/LocalizedAppBundle.h"
#include "services/Preferences.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

LanguageManager::LanguageManager(Preferences *preferences, LocalizedAppBundle *bundle, QObject *parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_currentLanguage(preferences ? preferences->selectedLanguage() : Preferences::SystemLanguage)
{
    LocalizedAppBundle::setSelectedLanguage(m_currentLanguage);
    if (!bundle)
        bundle = LocalizedAppBundle::installed();
    if (!bundle) {
        m_ownBundle = std::make_unique<LocalizedAppBundle>();
        bundle = m_ownBundle.get();
    }
    configureBundle(bundle);
    loadQtTranslations();
}

LanguageManager::~LanguageManager() = default;

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
    m_bundle = bundle;
    Localization::install(bundle);
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
    const QString language = m_bundle->shownLanguage();
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
