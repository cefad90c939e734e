#pragma once

#include "views/guide/HelpTopic.h"

#include <QList>
#include <QWidget>

#include <optional>

class AppearanceManager;
class HelpContent;
class LanguageManager;
class WindowRoot;

// The user guide: seven topics in a sidebar, a page per topic and a search field that narrows
// the shortcut table. Topic changes are kept in a browsing history, so back and forward work as
// in a web browser. The guide's own state (topic, history, search) survives the rebuilds that a
// change of language or appearance makes of everything inside it.
class HelpView : public QWidget
{
    Q_OBJECT
public:
    static constexpr QSize MinimumSize{740, 480};
    static constexpr QSize IdealSize{880, 600};

    // Either manager may be null (tests): the guide then follows neither.
    HelpView(LanguageManager *languages, AppearanceManager *appearance, QWidget *parent = nullptr);
    ~HelpView() override;

    std::optional<HelpTopic> selectedTopic() const { return m_selectedTopic; }
    // The page shown: the selected topic's, or the welcome page when none is selected.
    HelpTopic shownTopic() const { return m_selectedTopic.value_or(HelpTopic::Welcome); }
    QList<HelpTopic> history() const { return m_history; }
    int historyIndex() const { return m_historyIndex; }
    bool canGoBack() const { return m_historyIndex >= 1; }
    bool canGoForward() const { return m_historyIndex < m_history.size() - 1; }

    // Drops the forward part of the history, then appends the topic, also when it is the one
    // shown, and shows it.
    void navigateTo(HelpTopic topic);
    void goBack();
    void goForward();

    QString searchText() const { return m_searchText; }
    void setSearchText(const QString &text);
    QList<ShortcutItem> filteredShortcuts() const { return HelpShortcuts::filtered(m_searchText); }

    WindowRoot *root() const { return m_root; }
    HelpContent *content() const;

Q_SIGNALS:
    // The topic, the history position or the search changed: the content shows the new state.
    void stateChanged();

private:
    void showHistoryEntry(int historyIndex);

    WindowRoot *m_root;
    std::optional<HelpTopic> m_selectedTopic = HelpTopic::Shortcuts;
    QString m_searchText;
    QList<HelpTopic> m_history{HelpTopic::Shortcuts};
    int m_historyIndex = 0;
};
