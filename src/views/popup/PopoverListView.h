#pragma once

#include <QListView>

// The popup's list of rows: no frame, one chosen row that the keyboard moves, a hover highlight
// that follows the pointer, scrolling by pixels, and the rows inset from the edges like the rest
// of the popup.
class PopoverListView : public QListView
{
    Q_OBJECT
public:
    explicit PopoverListView(QWidget *parent = nullptr);

protected:
    void changeEvent(QEvent *event) override;

private:
    // A slim scroll bar without arrows, tinted from the palette, as current desktops draw them.
    void styleScrollBar();
};
