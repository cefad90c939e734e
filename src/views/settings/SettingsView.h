#pragma once

#include "services/IgnoredAppsManager.h"
#include "views/settings/SettingsSection.h"
#include "views/settings/SettingsServices.h"

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>


class SettingsContent;
class WindowRoot;

// The Settings window's content. It keeps the window's own state (search text, the list of
// running applications offered for ignoring, the clear-history question) across the rebuilds
// that a change of language or appearance makes of everything inside it. Its capacity controls
// store a value only once it is meant; the history service applies the stored one.
class SettingsView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int RunningAppsShown = 8;

    explicit SettingsView(const SettingsServices &services, QWidget *parent = nullptr);
    ~SettingsView() override;

    const SettingsServices &services() const { return m_services; }
    static QColor badgeColor(SettingsSection section);

    // The section named by "settingsSelectedSection", or General for any other value.
    SettingsSection selectedSection() const;
    void selectSection(SettingsSection section);

    QString searchText() const { return m_searchText; }
    void setSearchText(const QString &text);

    // The running applications taken when the window was shown, less those added since.
    QList<IgnoredApp> runningApps() const { return m_runningApps; }
    // Adds the application to the ignore list and stops offering it.
    void ignoreRunningApp(const IgnoredApp &app);

    // Asks before deleting the whole history; null while not asking.
    void showClearConfirmation();
    QMessageBox *clearConfirmation() const { return m_clearConfirmation; }
    // Deletes every entry, pinned ones too.
    void clearHistory();

    // After the next rebuild, the control of this object name takes the keyboard focus again: a
    // picker that changes the language or appearance keeps the focus where the user left it.
    void restoreFocusAfterRebuild(const QString &objectName) { m_focusAfterRebuild = objectName; }

    WindowRoot *root() const { return m_root; }
    SettingsContent *content() const;

Q_SIGNALS:
    void runningAppsChanged();
    void searchTextChanged(const QString &text);

protected:
    void showEvent(QShowEvent *event) override;

private:
    SettingsServices m_services;
    WindowRoot *m_root;
    QString m_searchText;
    QList<IgnoredApp> m_runningApps;
    QPointer<QMessageBox> m_clearConfirmation;
    QString m_focusAfterRebuild;
    bool m_appeared = false;
};
