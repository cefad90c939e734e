#include "platform/xdg/XdgAutostartLoginItem.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

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

int XdgAutostartLoginItem::status() const
{
    QFile file(m_entryPath);
    if (!file.exists())
        return NotRegistered;
    if (!file.open(QIODevice::ReadOnly))
        return Enabled; // the desktop starts what it cannot be shown to have switched off
    bool inMainGroup = false;
    for (const QByteArray &rawLine : file.readAll().split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if ((key == "Hidden" && value == "true") || (key == "X-GNOME-Autostart-enabled" && value == "false"))
            return RequiresApproval;
    }
    return Enabled;
}

bool XdgAutostartLoginItem::registerItem(QString *error)
{
    const QString folder = QFileInfo(m_entryPath).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("%1: cannot create the folder").arg(folder);
        return false;
    }
    QSaveFile file(m_entryPath);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("%1: %2").arg(m_entryPath, file.errorString());
        return false;
    }
    file.write(entryContents(m_executable));
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
