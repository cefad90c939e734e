#include "views/guide/HelpView.h"

#include "support/Localization.h"
#include "views/guide/HelpContent.h"
#include "views/widgets/WindowRoot.h"

#include <QAction>
#include <QKeySequence>
#include <QVBoxLayout>

HelpView::HelpView(LanguageManager *languages, AppearanceManager *appearance, QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_root = new WindowRoot(languages, appearance, [this] { return new HelpContent(this); }, this);
    m_root->setTitleSource([] { return L("Guia do Usuário do Kavla"); });
    layout->addWidget(m_root);
    setMinimumSize(MinimumSize);

    // The browser's keys for back and forward (Alt+Left, Alt+Right and the mouse's side buttons).
    auto *back = new QAction(this);
    back->setShortcuts(QKeySequence::Back);
    connect(back, &QAction::triggered, this, &HelpView::goBack);
    addAction(back);
    auto *forward = new QAction(this);
    forward->setShortcuts(QKeySequence::Forward);
    connect(forward, &QAction::triggered, this, &HelpView::goForward);
    addAction(forward);
}

HelpView::~HelpView() = default;

HelpContent *HelpView::content() const
{
    return qobject_cast<HelpContent *>(m_root->content());
}

void HelpView::navigateTo(HelpTopic topic)
{
    m_history.erase(m_history.begin() + m_historyIndex + 1, m_history.end());
    m_history.append(topic);
    showHistoryEntry(int(m_history.size()) - 1);
}

void HelpView::goBack()
{
    if (canGoBack())
        showHistoryEntry(m_historyIndex - 1);
}

void HelpView::goForward()
{
    if (canGoForward())
        showHistoryEntry(m_historyIndex + 1);
}

void HelpView::setSearchText(const QString &text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    Q_EMIT stateChanged();
}

void HelpView::showHistoryEntry(int historyIndex)
{
    m_historyIndex = historyIndex;
    m_selectedTopic = m_history.at(historyIndex);
    Q_EMIT stateChanged();
}
