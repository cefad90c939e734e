#pragma once

#include "views/settings/SettingsSection.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;

// The Settings window's left column: the Kavla header, the search field and one row per section
// matching the search, or a line saying that none does. Selecting a row asks for its section; the
// rows follow the search text.
class SettingsSidebar : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsSidebar(QWidget *parent = nullptr);

    QLineEdit *searchField() const { return m_search; }
    QListWidget *sectionList() const { return m_list; }
    // Says that no section matches the search; hidden otherwise.
    QLabel *noMatchesLabel() const { return m_noMatches; }

    // The sections listed for `searchText`, with `selected` marked when it is one of them.
    void showSections(const QString &searchText, SettingsSection selected);
    QList<SettingsSection> listedSections() const;

Q_SIGNALS:
    void sectionChosen(SettingsSection section);
    void searchTextEdited(const QString &text);

private:
    QLineEdit *m_search;
    QListWidget *m_list;
    QLabel *m_noMatches;
};
