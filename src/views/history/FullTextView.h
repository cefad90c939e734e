#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QTimer>

// A read-only, selectable view of a whole text, however long, its lines wrapped at the view's
// width. The text goes into the editor a slice per turn of the event loop, and a line longer than
// LongestLine is shown broken into lines of that length: the editor lays out a line whole, so one
// 10 MB line would stall the window for seconds at every slice. Copying a selection gives the
// original text, without those breaks.
class FullTextView : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr qsizetype SliceUnits = 256 * 1024; // UTF-16 units added per turn
    static constexpr qsizetype LongestLine = 4096;

    explicit FullTextView(QWidget *parent = nullptr);

    void setFullText(const QString &text);
    QString fullText() const { return m_text; }
    // Whether the whole text is in the editor.
    bool isComplete() const { return !m_loader.isActive(); }
    // The selected part of the original text.
    QString selectedFullText() const;

protected:
    QMimeData *createMimeDataFromSelection() const override;

private:
    void appendSlice();
    qsizetype originalPosition(qsizetype documentPosition) const;

    QString m_text;
    qsizetype m_offset = 0;          // how much of m_text is in the editor
    qsizetype m_column = 0;          // units since the last line break shown
    qsizetype m_documentLength = 0;  // units in the editor, breaks included
    QList<qsizetype> m_breaks;       // editor positions of the breaks we added, ascending
    QTimer m_loader;
};
