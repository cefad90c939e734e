#pragma once

#include <QLocale>
#include <QObject>
#include <QString>

#include <memory>

class QTranslator;
class LocalizedAppBundle;
class Preferences;

// The single owner of the interface-language choice: keeps the chosen code ("system", "pt-BR",
// "en", "es", "it", "ja"; other codes are accepted as they are), stores it, derives the locale
// the views format with and announces changes. Qt's own texts (its file dialog, standard buttons)
// follow the language the interface is shown in, from Qt's translations where they are installed.
// Main thread only.
class LanguageManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString currentLanguage READ currentLanguage NOTIFY currentLanguageChanged)

public:
    // Reads "selectedLanguage" (missing or not a string: "system"; no preferences: nothing is read
    // or stored), hands it to the lookup and installs `bundle` as the translator L() consults.
    // Without a bundle, the one installed already is kept, or one over the default resource root
    // that follows the platform's language is made and installed.
    explicit LanguageManager(Preferences *preferences, LocalizedAppBundle *bundle = nullptr, QObject *parent = nullptr);
    ~LanguageManager() override;

    QString currentLanguage() const { return m_currentLanguage; }
    QLocale appLocale() const { return localeForLanguage(m_currentLanguage); }

    // The only way to change the language. Every step runs also when the code is the current one:
    // the lookup switches first, so views rebuilt by the change already read the new language.
    void setLanguage(const QString &code);

    // Makes bundle the one every L() call reads through.
    void configureBundle(LocalizedAppBundle *bundle);

    // "system" or empty: the system's locale; any other code: the locale of that name. Also the rule
    // for windows that read "selectedLanguage" from the store themselves.
    static QLocale localeForLanguage(const QString &code);

Q_SIGNALS:
    void currentLanguageChanged(const QString &code);
    // The "AppLanguageDidChange" notification, with the new code; emitted last, after storing.
    void appLanguageDidChange(const QString &code);

private:
    void loadQtTranslations();

    Preferences *m_preferences;
    std::unique_ptr<LocalizedAppBundle> m_ownBundle;
    LocalizedAppBundle *m_bundle = nullptr;
    QString m_currentLanguage;
    QTranslator *m_qtTranslator = nullptr;
};
