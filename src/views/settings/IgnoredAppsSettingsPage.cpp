#include "views/settings/IgnoredAppsSettingsPage.h"

#include "services/IgnoredAppsManager.h"
#include "support/Localization.h"
#include "views/settings/SettingsGroup.h"
#include "views/settings/SettingsView.h"
#include "views/widgets/PopoverStyle.h"
#include "views/widgets/SymbolIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLabel *iconLabel(const QIcon &icon, const QString &fallbackSymbol, const QColor &fallbackColor, int size)
{
    auto *label = new QLabel;
    label->setFixedSize(size, size);
    if (!icon.isNull()) {
        label->setPixmap(icon.pixmap(QSize(size, size), 2.0));
    } else if (!fallbackSymbol.isEmpty()) {
        label->setObjectName(fallbackSymbol);
        label->setPixmap(SymbolIcon::pixmap(fallbackSymbol, fallbackColor, size, 2.0));
    }
    label->setScaledContents(true);
    return label;
}

// Name over identifier, both as the desktop gives them.
QVBoxLayout *nameColumn(const IgnoredApp &app, int nameSize, int idSize, int spacing, const QFont &base)
{
    auto *column = new QVBoxLayout;
    column->setSpacing(spacing);
    auto *name = new QLabel(app.name);
    name->setTextFormat(Qt::PlainText);
    name->setFont(PopoverStyle::font(base, nameSize, QFont::Medium));
    column->addWidget(name);
    QLabel *id = SettingsGroup::caption(app.bundleIdentifier);
    id->setTextFormat(Qt::PlainText);
    id->setFont(PopoverStyle::font(base, idSize));
    column->addWidget(id);
    return column;
}

QToolButton *symbolButton(const QString &symbol, const QColor &color, const QString &help)
{
    auto *button = new QToolButton;
    button->setIcon(SymbolIcon::icon(symbol, color));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setToolTip(help);
    button->setAccessibleName(help);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

void clearRows(QWidget *rows)
{
    QLayout *layout = rows->layout();
    while (QLayoutItem *item = layout->takeAt(0)) {
        // Later: the click that changed the list may come from a button in these rows.
        if (QWidget *widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
}

} // namespace

IgnoredAppsSettingsPage::IgnoredAppsSettingsPage(SettingsView *view)
    : SettingsPage(SettingsSection::IgnoredApps, view)
{
    IgnoredAppsManager *ignored = view->services().ignoredApps;

    SettingsGroup *intro = addGroup(QString());
    auto *column = new QVBoxLayout;
    column->setSpacing(6);
    column->addWidget(SettingsGroup::headline(L("Proteção de Privacidade & Ignorar Cópias")));
    column->addWidget(SettingsGroup::caption(
        L("Itens copiados a partir dos aplicativos listados abaixo nunca serão adicionados ao histórico do Kavla.")));
    auto *add = new QPushButton(SymbolIcon::icon(QStringLiteral("plus.app.fill"), Qt::white),
                                L("Adicionar Aplicativo de /Applications..."));
    add->setObjectName(QStringLiteral("addFromDisk"));
    add->setDefault(false);
    add->setMinimumHeight(30);
    add->setStyleSheet(QStringLiteral("QPushButton { background: %1; border-radius: 6px; padding: 4px 10px; }"
                                      "QPushButton:focus { border: 2px solid %2; }")
                           .arg(PopoverStyle::prominentFill(palette()).name(),
                                PopoverStyle::focusRing(palette(), PopoverStyle::cardFill(palette())).name()));
    QPalette onFill = add->palette();
    onFill.setColor(QPalette::ButtonText, Qt::white);
    add->setPalette(onFill);
    if (ignored)
        connect(add, &QPushButton::clicked, ignored, &IgnoredAppsManager::selectAppFromDisk);
    column->addWidget(add);
    intro->addRow(column);

    m_ignoredGroup = addGroup(QString());
    m_ignoredRows = new QWidget;
    auto *ignoredLayout = new QVBoxLayout(m_ignoredRows);
    ignoredLayout->setContentsMargins(0, 0, 0, 0);
    m_ignoredGroup->addRow(m_ignoredRows);

    m_runningGroup = addGroup(L("Aplicativos em Execução (Adicionar com 1 clique)"));
    m_runningRows = new QWidget;
    auto *runningLayout = new QVBoxLayout(m_runningRows);
    runningLayout->setContentsMargins(0, 0, 0, 0);
    m_runningGroup->addRow(m_runningRows);

    if (ignored)
        connect(ignored, &IgnoredAppsManager::ignoredAppsChanged, this, &IgnoredAppsSettingsPage::showIgnoredApps);
    connect(view, &SettingsView::runningAppsChanged, this, &IgnoredAppsSettingsPage::showRunningApps);
    showIgnoredApps();
    showRunningApps();
}

void IgnoredAppsSettingsPage::showIgnoredApps()
{
    IgnoredAppsManager *ignored = view()->services().ignoredApps;
    const QList<IgnoredApp> apps = ignored ? ignored->ignoredApps() : QList<IgnoredApp>();
    m_ignoredGroup->setHeader(L("Aplicativos Atualmente Ignorados (%lld)", apps.size()));
    clearRows(m_ignoredRows);
    auto *layout = static_cast<QVBoxLayout *>(m_ignoredRows->layout());
    if (apps.isEmpty()) {
        auto *row = new QWidget;
        auto *line = new QHBoxLayout(row);
        line->setContentsMargins(0, 6, 0, 6);
        line->addWidget(iconLabel({}, QStringLiteral("checkmark.shield"), PopoverStyle::green(palette()), 16));
        line->addWidget(SettingsGroup::caption(
                            L("Nenhum aplicativo na lista negra. O Kavla armazena cópias de todos os apps.")), 1);
        layout->addWidget(row);
        return;
    }
    for (const IgnoredApp &app : apps) {
        auto *row = new QWidget;
        row->setObjectName(QStringLiteral("ignored:") + app.bundleIdentifier);
        auto *line = new QHBoxLayout(row);
        line->setContentsMargins(0, 2, 0, 2);
        line->setSpacing(10);
        line->addWidget(iconLabel(ignored->icon(app), QStringLiteral("app.fill"), PopoverStyle::secondary(palette()), 24));
        line->addLayout(nameColumn(app, 13, 10, 2, font()), 1);
        QToolButton *remove = symbolButton(QStringLiteral("trash"), PopoverStyle::destructive(palette()),
                                           L("Remover da lista de ignorados"));
        remove->setObjectName(QStringLiteral("remove"));
        const QString id = app.bundleIdentifier;
        connect(remove, &QToolButton::clicked, ignored, [ignored, id] { ignored->remove(id); });
        line->addWidget(remove);
        layout->addWidget(row);
    }
}

void IgnoredAppsSettingsPage::showRunningApps()
{
    IgnoredAppsManager *ignored = view()->services().ignoredApps;
    const QList<IgnoredApp> apps = view()->runningApps();
    clearRows(m_runningRows);
    auto *layout = static_cast<QVBoxLayout *>(m_runningRows->layout());
    if (apps.isEmpty()) {
        QLabel *none = SettingsGroup::caption(L("Nenhum outro aplicativo em execução detectado."));
        none->setContentsMargins(0, 4, 0, 4);
        layout->addWidget(none);
        return;
    }
    for (const IgnoredApp &app : apps.mid(0, SettingsView::RunningAppsShown)) {
        auto *row = new QWidget;
        row->setObjectName(QStringLiteral("running:") + app.bundleIdentifier);
        auto *line = new QHBoxLayout(row);
        line->setContentsMargins(0, 2, 0, 2);
        line->setSpacing(10);
        const QIcon icon = ignored ? ignored->icon(app) : QIcon();
        if (!icon.isNull())
            line->addWidget(iconLabel(icon, QString(), QColor(), 20));
        line->addLayout(nameColumn(app, 12, 10, 1, font()), 1);
        QToolButton *add = symbolButton(QStringLiteral("plus.circle.fill"), PopoverStyle::accent(palette()),
                                        L("Ignorar este aplicativo"));
        add->setObjectName(QStringLiteral("add"));
        connect(add, &QToolButton::clicked, view(), [view = view(), app] { view->ignoreRunningApp(app); });
        line->addWidget(add);
        layout->addWidget(row);
    }
}
