#pragma once

#include "views/guide/HelpTopic.h"

#include <QWidget>

#include <optional>

class HelpView;
class QListWidget;
class QScrollArea;
class SearchBar;
class SymbolButton;

// Everything inside the user guide's window, built again on each change of language or
// appearance: the sidebar of topics with back and forward, the search field and the shown page.
// It holds no state of its own; it shows the view's and hands the reader's choices to it.
class HelpContent : public QWidget
{
    Q_OBJECT
public:
    explicit HelpContent(HelpView *view);

    QListWidget *topicList() const { return m_topics; }
    SymbolButton *backButton() const { return m_back; }
    SymbolButton *forwardButton() const { return m_forward; }
    SearchBar *searchBar() const { return m_search; }
    // The page on screen and the topic it is for.
    QWidget *page() const;
    std::optional<HelpTopic> pageTopic() const { return m_pageTopic; }

private:
    QWidget *buildSidebar();
    QWidget *buildDetail();
    // Shows the view's state: the sidebar's selection, the arrows, the page.
    void update();

    HelpView *m_view;
    QListWidget *m_topics = nullptr;
    SymbolButton *m_back = nullptr;
    SymbolButton *m_forward = nullptr;
    SearchBar *m_search = nullptr;
    QScrollArea *m_scroll = nullptr;
    std::optional<HelpTopic> m_pageTopic;
    QString m_pageSearch;
};
