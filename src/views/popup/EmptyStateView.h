#pragma once

#include <QWidget>

class QLabel;

// Shown instead of the list when nothing is listed (empty history, or a search without
// matches): a large clipboard symbol, a headline and a hint.
class EmptyStateView : public QWidget
{
    Q_OBJECT
public:
    explicit EmptyStateView(QWidget *parent = nullptr);

    // Whether it tells of a search that matched nothing rather than of an empty history.
    void setNoMatches(bool noMatches);
    bool isNoMatches() const { return m_noMatches; }
    QString headline() const;

protected:
    void changeEvent(QEvent *event) override;

private:
    void applyColors();

    QLabel *m_symbol;
    QLabel *m_headline;
    QLabel *m_hint;
    bool m_noMatches = false;
};
