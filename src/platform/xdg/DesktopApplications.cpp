#include "platform/xdg/DesktopApplications.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

namespace {

QString unescapeValue(const QString &value)
{
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            result += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's': result += QLatin1Char(' '); break;
        case 'n': result += QLatin1Char('\n'); break;
        case 't': result += QLatin1Char('\t'); break;
        case 'r': result += QLatin1Char('\r'); break;
        default: result += next; break;
        }
    }
    return result;
}

// The locale keys to try for Name[...], most specific first: pt_BR, pt.
QStringList localeKeys()
{
    const QString name = QLocale().name();
    QStringList keys{name};
    const qsizetype underscore = name.indexOf(QLatin1Char('_'));
    if (underscore > 0)
        keys << name.left(underscore);
    return keys;
}

} // namespace

DesktopApplications::DesktopApplications()
    : m_folders(applicationFolders())
{
}

QStringList DesktopApplications::applicationFolders()
{
    QStringList folders;
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    folders << dataHome + QStringLiteral("/applications");
    folders << dataHome + QStringLiteral("/flatpak/exports/share/applications");
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString &dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders << QDir::cleanPath(dir) + QStringLiteral("/applications");
    folders << QStringLiteral("/var/lib/flatpak/exports/share/applications");
    folders.removeDuplicates();
    return folders;
}

std::optional<QString> DesktopApplications::idForPath(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (!absolute.endsWith(QLatin1String(".desktop")))
        return std::nullopt;
    for (const QString &folder : applicationFolders()) {
        const QString prefix = QDir::cleanPath(folder) + QLatin1Char('/');
        if (absolute.startsWith(prefix)) {
            QString id = absolute.mid(prefix.size());
            id.chop(int(qstrlen(".desktop")));
            return id.replace(QLatin1Char('/'), QLatin1Char('-'));
        }
    }
    return std::nullopt;
}

std::optional<DesktopEntry> DesktopApplications::readDesktopFile(const QString &path,
                                                                 const QString &id)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    const QStringList locales = localeKeys();
    DesktopEntry entry;
    entry.id = id;
    entry.path = path;
    bool inEntry = false;
    bool sawEntry = false;
    int localeRank = int(locales.size());
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            sawEntry = sawEntry || inEntry;
            continue;
        }
        if (!inEntry)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = unescapeValue(line.mid(equals + 1).trimmed());
        if (key == QLatin1String("Name")) {
            entry.plainName = value;
        } else if (key.startsWith(QLatin1String("Name[")) && key.endsWith(QLatin1Char(']'))) {
            const QString locale = key.mid(5, key.size() - 6);
            const int rank = int(locales.indexOf(locale));
            if (rank >= 0 && rank < localeRank) {
                localeRank = rank;
                entry.localizedName = value;
            }
        } else if (key == QLatin1String("Icon")) {
            entry.icon = value;
        } else if (key == QLatin1String("StartupWMClass")) {
            entry.startupWMClass = value;
        }
    }
    if (!sawEntry)
        return std::nullopt;
    entry.name = entry.localizedName.value_or(entry.plainName.value_or(
        id.isEmpty() ? QFileInfo(path).completeBaseName() : id));
    return entry;
}

void DesktopApplications::refreshIfChanged()
{
    QList<QDateTime> times;
    times.reserve(m_folders.size());
    for (const QString &folder : std::as_const(m_folders))
        times << QFileInfo(folder).lastModified();
    if (times == m_folderTimes && !m_folderTimes.isEmpty())
        return;
    m_folderTimes = times;
    m_byId.clear();
    m_idByWindowClass.clear();
    for (const QString &folder : std::as_const(m_folders)) {
        const QString prefix = QDir::cleanPath(folder) + QLatin1Char('/');
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files | QDir::Readable,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext()) {
            const QString path = it.next();
            QString id = path.mid(prefix.size());
            id.chop(int(qstrlen(".desktop")));
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            const QString key = id.toLower();
            if (m_byId.contains(key))
                continue; // an earlier folder's file of the same ID wins
            std::optional<DesktopEntry> entry = readDesktopFile(path, id);
            if (!entry)
                continue;
            if (!entry->startupWMClass.isEmpty())
                m_idByWindowClass.insert(entry->startupWMClass.toLower(), key);
            m_byId.insert(key, *entry);
        }
    }
}

std::optional<DesktopEntry> DesktopApplications::entryForId(const QString &id)
{
    if (id.isEmpty())
        return std::nullopt;
    refreshIfChanged();
    const auto found = m_byId.constFind(id.toLower());
    if (found == m_byId.constEnd())
        return std::nullopt;
    return *found;
}

std::optional<DesktopEntry> DesktopApplications::entryForWindowClass(const QString &instanceName,
                                                                     const QString &className)
{
    refreshIfChanged();
    for (const QString &name : {className, instanceName}) {
        if (name.isEmpty())
            continue;
        const auto byClass = m_idByWindowClass.constFind(name.toLower());
        if (byClass != m_idByWindowClass.constEnd())
            return m_byId.value(*byClass);
    }
    for (const QString &name : {className, instanceName}) {
        if (std::optional<DesktopEntry> entry = entryForId(name))
            return entry;
    }
    return std::nullopt;
}

QIcon DesktopApplications::iconForEntry(const DesktopEntry &entry)
{
    if (entry.icon.isEmpty())
        return {};
    if (QFileInfo(entry.icon).isAbsolute())
        return QIcon(entry.icon);
    return QIcon::fromTheme(entry.icon);
}
