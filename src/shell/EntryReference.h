#pragma once

#include <QString>
#include <QStringList>

// How a caller of the command line or the session bus names one history entry: by its number,
// 1 being the newest (what Ctrl+1 takes in the popup with no search), written with at most seven
// digits; or by its id, whole or its first eight characters or more, braces and letter case as
// the caller likes.
class EntryReference
{
public:
    static constexpr int ShortestIdPrefix = 8;
    static constexpr int LongestIndex = 9999999;

    static EntryReference parse(const QString &text);

    // Empty when the text names an entry in one of the two ways.
    QString error() const { return m_error; }
    // The number, or 0 when the text is an id.
    int index() const { return m_index; }
    // The id or its beginning, in lower case without braces; empty when the text is a number.
    QString idPrefix() const { return m_idPrefix; }

    enum class Outcome { Found, NotFound, Ambiguous, Invalid };
    // The row of the entry it names in `ids`, the history's ids newest first, or -1 with the
    // reason as a sentence in `message`.
    int rowIn(const QStringList &ids, Outcome *outcome, QString *message) const;

private:
    QString m_text;
    QString m_error;
    int m_index = 0;
    QString m_idPrefix;
};
