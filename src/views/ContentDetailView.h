#pragma once

#include "models/ClipboardItem.h"

#include <QTimer>
#include <QWidget>

class ImageFitView;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class Workspace;

// The history window's detail pane for one entry: the source application (with its icon when
// the desktop knows it) and the time of the copy, then the full text, the image or the files,
// then "Copiar Novamente" and "Excluir". A long text is read from the store only when shown and
// put in the editor a slice per turn of the event loop, so the window stays responsive.
class ContentDetailView : public QWidget
{
    Q_OBJECT
public:
    // UTF-16 units added to the text view per turn of the event loop.
    static constexpr qsizetype TextSliceUnits = 256 * 1024;

    explicit ContentDetailView(Workspace *workspace, QWidget *parent = nullptr);

    void showItem(const ClipboardItemPtr &item);
    ClipboardItemPtr item() const { return m_item; }
    // Shows the entry's time again (after a copy-back changed it).
    void refreshHeader();
    // Whether the whole text is in the text view.
    bool isTextComplete() const { return !m_loader.isActive(); }

    QLabel *sourceLabel() const { return m_sourceName; }
    QLabel *timeLabel() const { return m_time; }
    QPlainTextEdit *textView() const { return m_text; }
    ImageFitView *imageView() const { return m_image; }
    QListWidget *fileList() const { return m_files; }
    // The text, image or file view on show; null when the entry has nothing to show.
    QWidget *shownContent() const;

Q_SIGNALS:
    void copyRequested();
    void deleteRequested();

private:
    void showText(const QString &text);
    void appendSlice();

    Workspace *m_workspace;
    ClipboardItemPtr m_item;
    QWidget *m_source;
    QLabel *m_sourceIcon;
    QLabel *m_sourceName;
    QLabel *m_time;
    QStackedWidget *m_content;
    QWidget *m_nothing;
    QPlainTextEdit *m_text;
    ImageFitView *m_image;
    QListWidget *m_files;
    QPushButton *m_copy;
    QPushButton *m_delete;
    QString m_pendingText;
    qsizetype m_pendingOffset = 0;
    QTimer m_loader;
};
