#pragma once

#include "services/StringsTable.h"
#include "support/Localization.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

class DefaultsStore;

// The application's string resources, one <code>.lproj folder per language under a resource root,
// with the lookup every interface text goes through. The chosen language's table is consulted
// first, then the table the platform's own language choice picked at launch, then the Portuguese
// table, then the caller's default or the key itself. The Portuguese table comes before the key
// because a key keeps the wording of the system it was written for (macOS keys and places), while
// the table's values say it the Linux way: a desktop whose language has no table (German, C, ...)
// reads them.
//
// The chosen language and the lock that guards it are process-wide, because the language manager
// sets the choice for whichever bundle the process reads through (the translator L() consults).
// May be used from any thread.
class LocalizedAppBundle : public Translator
{
public:
    // Passed as the default to the per-language lookup so that a key absent from the chosen
    // table can be told apart from a translated text; a translation equal to it counts as absent.
    static inline const QString MissingKeyMarker = QStringLiteral("__TARNWICK_MISSING_KEY__");
    // The language of the keys, whose table every lookup falls back on.
    static inline const QString KeyLanguage = QStringLiteral("pt-BR");

    // preferredLanguages is the platform's own choice, most wanted first (see
    // platformPreferredLanguages); it is resolved to a folder once, here.
    LocalizedAppBundle(const QString &resourceRoot, const QStringList &preferredLanguages);
    // The default resource root, with the system's interface languages.
    LocalizedAppBundle();
    ~LocalizedAppBundle() override;
    LocalizedAppBundle(const LocalizedAppBundle &) = delete;
    LocalizedAppBundle &operator=(const LocalizedAppBundle &) = delete;

    // The lookup: value is the caller's default for a key found in no table (empty: the key).
    QString localizedString(const QString &key, const QString &value = {}) const;
    QString translate(const QString &key) const override { return localizedString(key); }

    // The platform's own lookup, without the in-app choice (then the Portuguese table).
    QString baseLocalizedString(const QString &key, const QString &value = {}) const;

    QString resourceRoot() const { return m_resourceRoot; }
    // The folder code the platform's choice resolved to, empty when none matched.
    QString baseLanguage() const { return m_baseLanguage; }
    // The language whose table the interface is shown from: the chosen one when it has a folder,
    // else the platform's choice, else Portuguese.
    QString shownLanguage() const;
    // The folder of a language, or empty when the resource root has none for the code.
    QString pathForLanguage(const QString &code) const;

    static QString selectedLanguage();
    static void setSelectedLanguage(const QString &code);

    // The bundle installed as the translator L() reads through, if that is a bundle. A bundle
    // uninstalls itself when destroyed.
    static LocalizedAppBundle *installed();

    // <exe dir>/share/kavla in the build tree, <exe dir>/../share/kavla once installed.
    static QString defaultResourceRoot();
    // "AppleLanguages" as stored (when it holds a non-empty list of strings), else the system's
    // interface languages.
    static QStringList platformPreferredLanguages(const DefaultsStore *store = nullptr);
    // The first folder code under resourceRoot matching a preferred language: the full code, then
    // the language alone, then any folder of the same language.
    static QString resolveLanguage(const QString &resourceRoot, const QStringList &preferredLanguages);

private:
    struct LanguageTable;
    std::shared_ptr<const LanguageTable> languageTable(const QString &code) const;

    QString m_resourceRoot;
    QString m_baseLanguage;
    StringsTable m_baseTable;
    StringsTable m_portugueseTable; // empty when the base table is the Portuguese one
    // Filled on first use of a language and never emptied; guarded by the process-wide lock.
    mutable QHash<QString, std::shared_ptr<const LanguageTable>> m_languageTables;
};
