#include "platform/xdg/XdgAutostartLoginItem.h"

#include "support/Log.h"
#include "support/RegularFileReader.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// Exec arguments holding a reserved character are quoted, with their own escaping inside the quotes.
QString execArgument(QString path)
{
    path.replace(QLatin1Char('%'), QStringLiteral("%%")); // a lone % starts a field code
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (std::none_of(path.cbegin(), path.cend(), [](QChar c) { return reserved.contains(c); }))
        return path;
    QString quoted = path;
    for (const char *special : {"\\", "\"", "`", "$"})
        quoted.replace(QLatin1String(special), QLatin1Char('\\') + QLatin1String(special));
    // The entry's value is itself unescaped once more, so each backslash is doubled again.
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(const QString &entryPath, const QString &executable)
    : m_entryPath(entryPath)
    , m_executable(executable)
{
}

QString XdgAutostartLoginItem::defaultEntryPath(const QString &desktopFileId)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart/")
           + desktopFileId + QStringLiteral(".desktop");
}

QByteArray XdgAutostartLoginItem::entryContents(const QString &executable)
{
    return QByteArrayLiteral("[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Kavla\n"
                             "Comment=Clipboard history in the tray\n")
           + "Exec=" + execArgument(executable).toUtf8() + '\n'
           + QByteArrayLiteral("Icon=com.tarnwick.Kavla\n"
                               "Terminal=false\n"
                               "X-GNOME-Autostart-enabled=true\n");
}

namespace {

// The key and value of an entry line, or nullopt for a group header, a comment or a blank line.
std::optional<std::pair<QByteArray, QByteArray>> keyValue(const QByteArray &line)
{
    const QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith('#') || trimmed.startsWith('['))
        return std::nullopt;
    const qsizetype equals = trimmed.indexOf('=');
    if (equals < 0)
        return std::nullopt;
    return std::pair(trimmed.left(equals).trimmed(), trimmed.mid(equals + 1).trimmed());
}

bool isMainGroupHeader(const QByteArray &line)
{
    return line.trimmed() == "[Desktop Entry]";
}

} // namespace

int XdgAutostartLoginItem::status() const
{
    const RegularFileReader::Result entry = RegularFileReader::read(m_entryPath, MaxEntryBytes);
    if (entry.outcome == RegularFileReader::Outcome::Missing) {
        m_reportedProblem.clear();
        return NotRegistered;
    }
    if (entry.outcome == RegularFileReader::Outcome::Refused) {
        // Reported once, not at every look at the settings.
        if (m_reportedProblem != entry.problem) {
            m_reportedProblem = entry.problem;
            Log::note(QStringLiteral("The autostart entry %1 %2; Kavla leaves it as it is and does not take it as "
                                     "starting at login")
                          .arg(m_entryPath, entry.problem));
        }
        return Unreadable;
    }
    m_reportedProblem.clear();
    bool inMainGroup = false;
    for (const QByteArray &line : entry.bytes.split('\n')) {
        if (line.trimmed().startsWith('[')) {
            inMainGroup = isMainGroupHeader(line);
            continue;
        }
        const auto pair = keyValue(line);
        if (!inMainGroup || !pair)
            continue;
        const auto &[key, value] = *pair;
        if ((key == "Hidden" && value == "true") || (key == "X-GNOME-Autostart-enabled" && value == "false"))
            return RequiresApproval;
    }
    return Enabled;
}

QByteArray XdgAutostartLoginItem::switchedOn(const QByteArray &existing, const QString &executable)
{
    // What an entry needs in its main group, and the value Kavla writes where the key is missing.
    const QList<std::pair<QByteArray, QByteArray>> needed = {
        {"Type", "Application"},
        {"Name", "Kavla"},
        {"Exec", execArgument(executable).toUtf8()},
    };
    QByteArrayList lines = existing.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    qsizetype mainGroup = -1;
    qsizetype mainGroupEnd = lines.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].trimmed().startsWith('['))
            continue;
        if (mainGroup >= 0) {
            mainGroupEnd = i;
            break;
        }
        if (isMainGroupHeader(lines[i]))
            mainGroup = i;
    }
    if (mainGroup < 0) {
        lines.prepend("[Desktop Entry]");
        mainGroup = 0;
        mainGroupEnd = 1;
        // The entry's own groups, if any, follow the new main group.
        while (mainGroupEnd < lines.size() && !lines[mainGroupEnd].trimmed().startsWith('['))
            ++mainGroupEnd;
    }
    QSet<QByteArray> present;
    for (qsizetype i = mainGroup + 1; i < mainGroupEnd; ++i) {
        const auto pair = keyValue(lines[i]);
        if (!pair)
            continue;
        const auto &[key, value] = *pair;
        if (key == "Exec" && value.isEmpty()) {
            // Starts nothing: Kavla's own Exec line takes its place.
            lines.removeAt(i--);
            --mainGroupEnd;
            continue;
        }
        if (key == "Hidden" && value == "true")
            lines[i] = "Hidden=false";
        else if (key == "X-GNOME-Autostart-enabled" && value == "false")
            lines[i] = "X-GNOME-Autostart-enabled=true";
        present.insert(key);
    }
    // New keys go after the group's last line that is not blank.
    qsizetype insertAt = mainGroupEnd;
    while (insertAt > mainGroup + 1 && lines[insertAt - 1].trimmed().isEmpty())
        --insertAt;
    for (const auto &[key, value] : needed) {
        if (!present.contains(key))
            lines.insert(insertAt++, key + '=' + value);
    }
    return lines.join('\n') + '\n';
}

bool XdgAutostartLoginItem::registerItem(QString *error)
{
    const QString folder = QFileInfo(m_entryPath).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("%1: cannot create the folder").arg(folder);
        return false;
    }
    // A user's own entry keeps its lines; anything at the path that is not an entry stays as it is.
    const RegularFileReader::Result existing = RegularFileReader::read(m_entryPath, MaxEntryBytes);
    if (existing.outcome == RegularFileReader::Outcome::Refused) {
        *error = QStringLiteral("%1 %2; Kavla leaves it as it is").arg(m_entryPath, existing.problem);
        return false;
    }
    QSaveFile file(m_entryPath);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("%1: %2").arg(m_entryPath, file.errorString());
        return false;
    }
    file.write(existing.outcome == RegularFileReader::Outcome::Read ? switchedOn(existing.bytes, m_executable)
                                                                     : entryContents(m_executable));
    if (!file.commit()) {
        *error = QStringLiteral("%1: %2").arg(m_entryPath, file.errorString());
        return false;
    }
    return true;
}

bool XdgAutostartLoginItem::unregisterItem(QString *error)
{
    QFile file(m_entryPath);
    if (!file.exists() || file.remove())
        return true;
    *error = QStringLiteral("%1: %2").arg(m_entryPath, file.errorString());
    return false;
}

void XdgAutostartLoginItem::openSystemSettings()
{
    // The desktops' own pages of applications started at login, most specific first.
    const QList<QStringList> programs = {
        {QStringLiteral("systemsettings"), QStringLiteral("kcm_autostart")},
        {QStringLiteral("gnome-session-properties")},
        {QStringLiteral("xfce4-session-settings")},
        {QStringLiteral("mate-session-properties")},
        {QStringLiteral("cinnamon-settings"), QStringLiteral("startup")},
    };
    for (const QStringList &program : programs) {
        const QString path = QStandardPaths::findExecutable(program.first());
        if (!path.isEmpty() && QProcess::startDetached(path, program.mid(1)))
            return;
    }
    const QString folder = QFileInfo(m_entryPath).absolutePath();
    QDir().mkpath(folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}
