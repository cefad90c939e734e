#include "shell/EntryReference.h"

#include <QRegularExpression>

EntryReference EntryReference::parse(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^[0-9]{1,7}$"));
    static const QRegularExpression id(QStringLiteral("^[0-9a-f][0-9a-f-]{7,35}$"));
    EntryReference reference;
    reference.m_text = text.trimmed();
    QString candidate = reference.m_text.toLower();
    if (number.match(candidate).hasMatch()) {
        reference.m_index = candidate.toInt();
        if (reference.m_index == 0)
            reference.m_error = QStringLiteral("entries are numbered from 1");
        return reference;
    }
    if (candidate.size() == 38 && candidate.startsWith(QLatin1Char('{')) && candidate.endsWith(QLatin1Char('}')))
        candidate = candidate.mid(1, 36);
    if (id.match(candidate).hasMatch()) {
        reference.m_idPrefix = candidate;
        return reference;
    }
    reference.m_error = QStringLiteral("'%1' is neither an entry number nor an entry id (its first %2 characters or more)")
                            .arg(reference.m_text)
                            .arg(ShortestIdPrefix);
    return reference;
}

int EntryReference::rowIn(const QStringList &ids, Outcome *outcome, QString *message) const
{
    const auto answer = [&](Outcome result, const QString &text) {
        *outcome = result;
        *message = text;
        return -1;
    };
    if (!m_error.isEmpty())
        return answer(Outcome::Invalid, m_error);
    if (m_index > 0) {
        if (m_index > ids.size()) {
            return answer(Outcome::NotFound, ids.size() == 1
                              ? QStringLiteral("there is no entry %1: the history holds 1 entry").arg(m_index)
                              : QStringLiteral("there is no entry %1: the history holds %2 entries")
                                    .arg(m_index)
                                    .arg(ids.size()));
        }
        *outcome = Outcome::Found;
        return m_index - 1;
    }
    int found = -1;
    for (int row = 0; row < ids.size(); ++row) {
        if (!ids.at(row).startsWith(m_idPrefix))
            continue;
        if (found >= 0)
            return answer(Outcome::Ambiguous, QStringLiteral("more than one entry has an id beginning with '%1'; give more of it").arg(m_idPrefix));
        found = row;
    }
    if (found < 0)
        return answer(Outcome::NotFound, QStringLiteral("no entry of the history has the id '%1'").arg(m_idPrefix));
    *outcome = Outcome::Found;
    return found;
}
