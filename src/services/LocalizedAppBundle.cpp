#include "services/LocalizedAppBundle.h"

#include "platform/DefaultsStore.h"
#include "services/Preferences.h"
#include "support/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMutex>
#include <QMutexLocker>


namespace {

const QString TableFileName = QStringLiteral("Localizable.strings");
const QString FolderSuffix = QStringLiteral(".lproj");

// The one lock of the system. Not recursive: the per-language and base lookups run with it
// released, so a lookup made from inside them cannot deadlock.
QMutex &bundleLock()
{
    static QMutex lock;
    return lock;
}

QString &selectedLanguageUnderLock()
{
    static QString code = QStringLiteral("system");
    return code;
}

// A code names a folder directly below the resource root; anything that would leave it
// (a separator, "..") or an empty name has no folder.
bool isFolderName(const QString &code)
{
    return !code.isEmpty() && !code.startsWith(u'.') && !code.contains(u'/') && !code.contains(u'\\')
        && !code.contains(QChar(0));
}

QString languageOnly(const QString &code)
{
    return code.section(u'-', 0, 0);
}

} // namespace

struct LocalizedAppBundle::LanguageTable
{
    StringsTable table;
};

LocalizedAppBundle::LocalizedAppBundle(const QString &resourceRoot, const QStringList &preferredLanguages)
    : m_resourceRoot(resourceRoot)
    , m_baseLanguage(resolveLanguage(resourceRoot, preferredLanguages))
{
    const auto load = [this](const QString &code) {
        StringsTable table;
        const QString file = pathForLanguage(code) + u'/' + TableFileName;
        if (!pathForLanguage(code).isEmpty() && QFileInfo::exists(file))
            table = StringsTable::load(file);
        for (const QString &error : table.errors())
            Log::note(QStringLiteral("string table ignored: ") + error);
        return table;
    };
    if (!m_baseLanguage.isEmpty())
        m_baseTable = load(m_baseLanguage);
    if (m_baseLanguage != KeyLanguage)
        m_portugueseTable = load(KeyLanguage);
}

LocalizedAppBundle::LocalizedAppBundle()
    : LocalizedAppBundle(defaultResourceRoot(), platformPreferredLanguages())
{
}

LocalizedAppBundle::~LocalizedAppBundle()
{
    Localization::uninstall(this);
}

QString LocalizedAppBundle::localizedString(const QString &key, const QString &value) const
{
    const QString code = selectedLanguage();
    if (code != QLatin1String("system")) {
        if (const auto language = languageTable(code)) {
            const QString text = language->table.value(key, MissingKeyMarker);
            if (text != MissingKeyMarker)
                return text;
        }
    }
    return baseLocalizedString(key, value);
}

QString LocalizedAppBundle::baseLocalizedString(const QString &key, const QString &value) const
{
    for (const StringsTable *table : {&m_baseTable, &m_portugueseTable}) {
        const QString text = table->value(key, MissingKeyMarker);
        if (text != MissingKeyMarker)
            return text;
    }
    return value.isEmpty() ? key : value;
}

QString LocalizedAppBundle::shownLanguage() const
{
    const QString code = selectedLanguage();
    if (code != QLatin1String("system") && !pathForLanguage(code).isEmpty())
        return code;
    return m_baseLanguage.isEmpty() ? KeyLanguage : m_baseLanguage;
}

QString LocalizedAppBundle::pathForLanguage(const QString &code) const
{
    if (!isFolderName(code))
        return {};
    const QString path = m_resourceRoot + u'/' + code + FolderSuffix;
    return QFileInfo(path).isDir() ? path : QString();
}

std::shared_ptr<const LocalizedAppBundle::LanguageTable> LocalizedAppBundle::languageTable(const QString &code) const
{
    // Held across the file-system access, so two threads never load the same language twice.
    QMutexLocker locker(&bundleLock());
    if (const auto found = m_languageTables.constFind(code); found != m_languageTables.cend())
        return found.value();

    const QString folder = pathForLanguage(code);
    if (folder.isEmpty())
        return nullptr; // not remembered: a folder added later is found at the next lookup
    if (!QFileInfo(folder).isReadable())
        return nullptr;

    auto language = std::make_shared<LanguageTable>();
    const QString file = folder + u'/' + TableFileName;
    if (QFileInfo::exists(file)) {
        language->table = StringsTable::load(file);
        for (const QString &error : language->table.errors())
            Log::note(QStringLiteral("string table ignored: ") + error);
    }
    m_languageTables.insert(code, language);
    return language;
}

QString LocalizedAppBundle::selectedLanguage()
{
    QMutexLocker locker(&bundleLock());
    return selectedLanguageUnderLock();
}

void LocalizedAppBundle::setSelectedLanguage(const QString &code)
{
    QMutexLocker locker(&bundleLock());
    selectedLanguageUnderLock() = code;
}

LocalizedAppBundle *LocalizedAppBundle::installed()
{
    return dynamic_cast<LocalizedAppBundle *>(Localization::installed());
}

QString LocalizedAppBundle::defaultResourceRoot()
{
    const QString exeDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (exeDir.isEmpty())
        return {};
    const QString buildTree = exeDir + QStringLiteral("/share/kavla");
    if (QFileInfo(buildTree).isDir())
        return buildTree;
    return QDir::cleanPath(exeDir + QStringLiteral("/../share/kavla"));
}

QStringList LocalizedAppBundle::platformPreferredLanguages(const DefaultsStore *store)
{
    if (store) {
        const QVariant stored = store->object(PreferenceKeys::appleLanguages);
        if (stored.typeId() == QMetaType::QStringList && !stored.toStringList().isEmpty())
            return stored.toStringList();
    }
    return QLocale::system().uiLanguages();
}

QString LocalizedAppBundle::resolveLanguage(const QString &resourceRoot, const QStringList &preferredLanguages)
{
    const QDir root(resourceRoot);
    if (resourceRoot.isEmpty() || !root.exists())
        return {};
    QStringList available;
    for (const QString &folder : root.entryList({QStringLiteral("*.lproj")}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        available << folder.chopped(FolderSuffix.size());

    for (QString wanted : preferredLanguages) {
        wanted.replace(u'_', u'-');
        for (const QString &code : available)
            if (code.compare(wanted, Qt::CaseInsensitive) == 0)
                return code;
        for (const QString &code : available)
            if (code.compare(languageOnly(wanted), Qt::CaseInsensitive) == 0)
                return code;
        for (const QString &code : available)
            if (languageOnly(code).compare(languageOnly(wanted), Qt::CaseInsensitive) == 0)
                return code;
    }
    return {};
}
