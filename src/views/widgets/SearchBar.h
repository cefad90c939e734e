#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class SymbolButton;

// The popup's search field: a magnifier, a plain one-line field and, while there is text, a
// button that empties it; on a faint rounded background.
class SearchBar : public QWidget
{
    Q_OBJECT
public:
    explicit SearchBar(QWidget *parent = nullptr);

    QLineEdit *field() const { return m_field; }
    SymbolButton *clearButton() const { return m_clear; }
    QString text() const;
    void setText(const QString &text);

Q_SIGNALS:
    void textChanged(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateSymbols();

    QLabel *m_magnifier;
    QLineEdit *m_field;
    SymbolButton *m_clear;
};
