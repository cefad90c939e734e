#pragma once

#include <QLocale>
#include <QObject>
#include <QString>

#include <memory>

class DefaultsStore;
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
    // Reads "selectedLanguage" (missing or not a string: "system"), hands it to the lookup and
    // installs bundle (null: the bundle L() already reads through) as the one L() consults.
    explicit LanguageManager(DefaultsStore *store, LocalizedAppBundle *bundle = nullptr, QObject *parent = nullptr);
    ~LanguageManager() override;

    static LanguageManager *shared();
    static void setShared(LanguageManager *manager);

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

    std::unique_ptr<Preferences> m_preferences;
    QString m_currentLanguage;
    QTranslator *m_qtTranslator = nullptr;
};
