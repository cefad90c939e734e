#include "views/settings/SettingsView.h"

#include "services/HistoryService.h"
#include "services/LaunchAtLoginManager.h"
#include "services/Preferences.h"
#include "support/Localization.h"
#include "views/settings/SettingsBadge.h"
#include "views/settings/SettingsContent.h"
#include "views/widgets/WindowRoot.h"

#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

SettingsView::SettingsView(const SettingsServices &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_root = new WindowRoot(services.languages, services.appearance, [this] { return new SettingsContent(this); }, this);
    m_root->setTitleSource([] { return L("Ajustes"); });
    connect(m_root, &WindowRoot::contentRebuilt, this, [this](QWidget *content) {
        if (m_focusAfterRebuild.isEmpty() || !content)
            return;
        if (auto *control = content->findChild<QWidget *>(m_focusAfterRebuild))
            control->setFocus(Qt::OtherFocusReason);
        m_focusAfterRebuild.clear();
    });
    layout->addWidget(m_root);
    setMinimumSize(720, 490);
    setMaximumSize(950, 720);
}

SettingsView::~SettingsView()
{
    // A slider deleted while on screen commits what it shows as it goes: while its page can still
    // reach this view.
    hide();
}

QColor SettingsView::badgeColor(SettingsSection section)
{
    switch (section) {
    case SettingsSection::General:
        return SettingsBadge::Blue;
    case SettingsSection::IgnoredApps:
        return SettingsBadge::Red;
    case SettingsSection::Shortcuts:
        return SettingsBadge::Purple;
    case SettingsSection::About:
        return SettingsBadge::Gray;
    }
    return SettingsBadge::Gray;
}

SettingsSection SettingsView::selectedSection() const
{
    if (!m_services.preferences)
        return SettingsSection::General;
    return SettingsSections::fromRawValue(m_services.preferences->settingsSelectedSection())
        .value_or(SettingsSection::General);
}

void SettingsView::selectSection(SettingsSection section)
{
    if (m_services.preferences)
        m_services.preferences->setSettingsSelectedSection(SettingsSections::rawValue(section));
}

SettingsContent *SettingsView::content() const
{
    return qobject_cast<SettingsContent *>(m_root->content());
}

void SettingsView::setSearchText(const QString &text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    Q_EMIT searchTextChanged(text);
}

void SettingsView::ignoreRunningApp(const IgnoredApp &app)
{
    if (m_services.ignoredApps)
        m_services.ignoredApps->add(app.bundleIdentifier, app.name);
    // Exactly this ID, letter case included: the others keep their order.
    m_runningApps.removeIf([&](const IgnoredApp &running) { return running.bundleIdentifier == app.bundleIdentifier; });
    Q_EMIT runningAppsChanged();
}

void SettingsView::showClearConfirmation()
{
    if (m_clearConfirmation) {
        m_clearConfirmation->raise();
        return;
    }
    // A child of the view rather than of the rebuilt content, so a change of language under it
    // does not close the question.
    auto *box = new QMessageBox(QMessageBox::Warning, L("Limpar Todo o Histórico?"),
                                L("Esta ação apagará todos os itens salvos no histórico da área de transferência."),
                                QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("clearConfirmation"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton *cancel = box->addButton(L("Cancelar"), QMessageBox::RejectRole);
    QPushButton *clear = box->addButton(L("Limpar Tudo"), QMessageBox::DestructiveRole);
    cancel->setObjectName(QStringLiteral("cancelClear"));
    clear->setObjectName(QStringLiteral("confirmClear"));
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    connect(clear, &QPushButton::clicked, this, &SettingsView::clearHistory);
    m_clearConfirmation = box;
    box->open();
}

void SettingsView::clearHistory()
{
    if (m_services.history)
        m_services.history->clear();
}

void SettingsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_appeared)
        return;
    m_appeared = true;
    if (m_services.launchAtLogin)
        m_services.launchAtLogin->refresh();
    if (m_services.ignoredApps) {
        m_runningApps = m_services.ignoredApps->getRunningApplications();
        Q_EMIT runningAppsChanged();
    }
}
