#include "platform/xdg/XdgApplicationPicker.h"

#include "platform/xdg/DesktopApplications.h"
#include "support/Localization.h"

#include <QDir>
#include <QFileDialog>
#include <QUrl>

ChosenApplication XdgApplicationPicker::describe(const QString &path)
{
    ChosenApplication chosen;
    chosen.location = path;
    const std::optional<QString> id = DesktopApplications::idForPath(path);
    const std::optional<DesktopEntry> entry =
        DesktopApplications::readDesktopFile(path, id.value_or(QString()));
    if (!entry)
        return chosen;
    chosen.readable = true;
    chosen.bundleIdentifier = id;
    chosen.displayName = entry->localizedName;
    chosen.name = entry->plainName;
    return chosen;
}

std::optional<QList<ChosenApplication>> XdgApplicationPicker::chooseApplications(
    const QString &prompt, const QString &message)
{
    QFileDialog dialog;
    dialog.setWindowTitle(message);
    dialog.setLabelText(QFileDialog::Accept, prompt);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilter(L("Aplicativos") + QStringLiteral(" (*.desktop)"));
    // Qt's own dialog, so the applications folders can be offered in its sidebar.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    QList<QUrl> sidebar;
    QString start;
    for (const QString &folder : DesktopApplications::applicationFolders()) {
        if (!QDir(folder).exists())
            continue;
        sidebar << QUrl::fromLocalFile(folder);
        if (start.isEmpty() || folder == QLatin1String("/usr/share/applications"))
            start = folder;
    }
    dialog.setSidebarUrls(sidebar);
    if (!start.isEmpty())
        dialog.setDirectory(start);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    QList<ChosenApplication> chosen;
    for (const QString &path : dialog.selectedFiles())
        chosen << describe(path);
    return chosen;
}
