#pragma once

#include "models/ClipboardItem.h"

#include <QThreadPool>
#include <QWidget>

class FullTextView;
class ImageFitView;
class QImage;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class Workspace;

// The history window's detail pane for one entry: the source application (with its icon when
// the desktop knows it) and the time of the copy, then the full text, the image or the files,
// then "Copiar Novamente", the pin toggle and "Excluir". A long text is read from the store only when shown;
// an image is decoded off the interface thread.
class HistoryWindowDetail : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryWindowDetail(Workspace *workspace, QWidget *parent = nullptr);
    ~HistoryWindowDetail() override;

    void showItem(const ClipboardItemPtr &item);
    ClipboardItemPtr item() const { return m_item; }
    // Shows the entry's time and pin again (after a copy-back or a pin changed them).
    void refreshHeader();
    // Whether the whole text is in the text view.
    bool isTextComplete() const;

    QLabel *sourceLabel() const { return m_sourceName; }
    QLabel *timeLabel() const { return m_time; }
    QPushButton *pinButton() const { return m_pin; }
    FullTextView *textView() const { return m_text; }
    ImageFitView *imageView() const { return m_image; }
    QListWidget *fileList() const { return m_files; }
    // The text, image or file view on show; null when the entry has nothing to show.
    QWidget *shownContent() const;

Q_SIGNALS:
    void copyRequested();
    void deleteRequested();
    void pinToggleRequested();

private:
    void showTextOrFiles(const ClipboardItemPtr &item);
    void imageDecoded(quint64 ticket, const QImage &image);

    Workspace *m_workspace;
    ClipboardItemPtr m_item;
    QWidget *m_source;
    QLabel *m_sourceIcon;
    QLabel *m_sourceName;
    QLabel *m_time;
    QStackedWidget *m_content;
    QWidget *m_nothing;
    FullTextView *m_text;
    ImageFitView *m_image;
    QListWidget *m_files;
    QPushButton *m_copy; // created before the pin: Tab follows the order of creation
    QPushButton *m_pin;
    QPushButton *m_delete;
    // Decodes the chosen image; a result whose ticket is not the latest is dropped.
    QThreadPool m_decoder;
    quint64 m_imageTicket = 0;
};
