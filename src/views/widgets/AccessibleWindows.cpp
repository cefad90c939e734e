#include "views/widgets/AccessibleWindows.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {

QAccessibleInterface *windowInterface(const QString &className, QObject *object)
{
    static const QStringList windows = {QStringLiteral("SettingsView"), QStringLiteral("HelpView"),
                                        QStringLiteral("HistoryWindow"), QStringLiteral("PopoverWindow")};
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget || !widget->isWindow() || !windows.contains(className))
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

} // namespace

namespace AccessibleWindows {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(windowInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace AccessibleWindows
