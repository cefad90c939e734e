#pragma once

#include "models/ClipboardItem.h"
#include "views/history/HistoryWindowServices.h"

#include <QWidget>

class HistoryWindowBrowser;
class HistoryQueryModel;
class WindowRoot;

// The history window: every entry newest first with the chosen one in full. Ctrl+C copies the
// chosen entry back (it moves to the top and stays chosen) and Delete deletes it, as the buttons
// do. Entries are pinned and unpinned from a row's menu or the detail's pin. The choice is kept across the rebuilds a change of language or appearance makes.
class HistoryWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryWindow(const HistoryWindowServices &services, QWidget *parent = nullptr);
    ~HistoryWindow() override;

    const HistoryWindowServices &services() const { return m_services; }
    HistoryQueryModel *model() const;

    ClipboardItemPtr selectedItem() const { return m_selected; }
    void setSelectedItem(const ClipboardItemPtr &item);

    // "Copiar Novamente": the chosen entry goes back to the clipboard and to the top.
    void copySelected();
    // "Excluir": the chosen entry is deleted and nothing is chosen any more.
    void deleteSelected();
    // "Fixar" / "Desafixar": a pinned entry is spared by the history limit; its row stays where
    // it is and changes in place.
    void togglePinned(const ClipboardItemPtr &item);

    WindowRoot *root() const { return m_root; }
    HistoryWindowBrowser *browser() const;

Q_SIGNALS:
    void selectedItemChanged(const ClipboardItemPtr &item);

private:
    HistoryWindowServices m_services;
    WindowRoot *m_root;
    ClipboardItemPtr m_selected;
};
