#pragma once

#include <QColor>
#include <QWidget>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QLabel;
class QVBoxLayout;

// One group of a Settings section: an optional header text over a rounded card whose rows are
// separated by thin lines, like the grouped forms of desktop settings dialogs.
class SettingsGroup : public QWidget
{
    Q_OBJECT
public:
    // An empty header shows none.
    explicit SettingsGroup(const QString &header, QWidget *parent = nullptr);

    QLabel *headerLabel() const { return m_header; }
    void setHeader(const QString &text);

    // Adds a row holding `content`; returns the row.
    QWidget *addRow(QWidget *content);
    QWidget *addRow(QBoxLayout *content);
    // A row with a badge before `control` (and `trailing` at the far end when given).
    QWidget *addBadgeRow(const QString &symbol, const QColor &color, QWidget *control, QWidget *trailing = nullptr);
    // A switch with a badge; its text is also its accessible name.
    QCheckBox *addToggle(const QString &symbol, const QColor &color, const QString &text);
    // A labelled picker with a badge; the label names it for assistive tools and is its buddy.
    QComboBox *addPicker(const QString &symbol, const QColor &color, const QString &text);

    // Text styles shared by the sections.
    static QLabel *caption(const QString &text, QWidget *parent = nullptr);
    static QLabel *headline(const QString &text, QWidget *parent = nullptr);

private:
    QLabel *m_header;
    QWidget *m_card;
    QVBoxLayout *m_rows;
};
