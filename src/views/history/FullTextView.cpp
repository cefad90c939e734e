#include "views/history/FullTextView.h"

#include <QFontDatabase>
#include <QMimeData>
#include <QTextCursor>

#include <algorithm>

FullTextView::FullTextView(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
    // Long lines wrap at the view's width (anywhere when a word is wider than the view).
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_loader.setInterval(0);
    connect(&m_loader, &QTimer::timeout, this, &FullTextView::appendSlice);
}

void FullTextView::setFullText(const QString &text)
{
    m_loader.stop();
    clear();
    m_text = text;
    m_offset = 0;
    m_column = 0;
    m_documentLength = 0;
    m_breaks.clear();
    if (m_text.isEmpty())
        return;
    appendSlice();
    if (m_offset < m_text.size())
        m_loader.start();
}

void FullTextView::appendSlice()
{
    qsizetype end = std::min(m_offset + SliceUnits, m_text.size());
    if (end < m_text.size() && m_text.at(end - 1).isHighSurrogate())
        --end;
    QString shown;
    shown.reserve(end - m_offset + (end - m_offset) / LongestLine + 1);
    qsizetype at = m_offset;
    while (at < end) {
        qsizetype lineEnd = m_text.indexOf(u'\n', at);
        if (lineEnd < 0 || lineEnd >= end)
            lineEnd = end;
        while (at < lineEnd) {
            if (m_column >= LongestLine) {
                m_breaks.append(m_documentLength + shown.size());
                shown += u'\n';
                m_column = 0;
            }
            qsizetype take = std::min(LongestLine - m_column, lineEnd - at);
            // A break never falls between the two halves of a surrogate pair.
            if (at + take < lineEnd && m_text.at(at + take - 1).isHighSurrogate())
                --take;
            if (take == 0) {
                m_column = LongestLine;
                continue;
            }
            shown += QStringView(m_text).mid(at, take);
            at += take;
            m_column += take;
        }
        if (lineEnd < end) {
            shown += u'\n';
            m_column = 0;
            at = lineEnd + 1;
        }
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(shown);
    m_documentLength += shown.size();
    m_offset = end;
    if (m_offset >= m_text.size())
        m_loader.stop();
}

qsizetype FullTextView::originalPosition(qsizetype documentPosition) const
{
    const auto before = std::lower_bound(m_breaks.cbegin(), m_breaks.cend(), documentPosition);
    return documentPosition - (before - m_breaks.cbegin());
}

QString FullTextView::selectedFullText() const
{
    const QTextCursor cursor = textCursor();
    const qsizetype start = originalPosition(cursor.selectionStart());
    const qsizetype end = originalPosition(cursor.selectionEnd());
    return m_text.mid(start, end - start);
}

QMimeData *FullTextView::createMimeDataFromSelection() const
{
    auto *data = new QMimeData;
    data->setText(selectedFullText());
    return data;
}
