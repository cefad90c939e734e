#include "app/LauncherLine.h"

#include "shell/EntryReference.h"

#include <QRegularExpression>

namespace LauncherLine {

QString oneLine(const QString &text)
{
    QString line = text;
    for (QChar &c : line) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line
            || category == QChar::Separator_Paragraph)
            c = QLatin1Char(' ');
    }
    return line;
}

QStringList format(const QList<HistoryBusEntry> &entries)
{
    QStringList lines;
    lines.reserve(entries.size());
    for (const HistoryBusEntry &entry : entries) {
        qsizetype length = EntryReference::ShortestIdPrefix;
        for (const HistoryBusEntry &other : entries) {
            if (&other == &entry)
                continue;
            qsizetype shared = 0;
            while (shared < entry.id.size() && shared < other.id.size() && entry.id.at(shared) == other.id.at(shared))
                ++shared;
            length = std::max(length, shared + 1);
        }
        QString id = entry.id.left(length);
        // A beginning that stops at a hyphen takes the next character too.
        if (id.endsWith(QLatin1Char('-')))
            id = entry.id.left(length + 1);
        lines.append(QStringLiteral("%1  [%2 %3]").arg(oneLine(entry.title), entry.kind, id));
    }
    return lines;
}

QString idOf(const QString &line)
{
    static const QRegularExpression tail(QStringLiteral("\\[[a-z]+ ([0-9a-f][0-9a-f-]{7,35})\\]\\s*$"));
    const QRegularExpressionMatch match = tail.match(line);
    return match.hasMatch() ? match.captured(1) : QString();
}

} // namespace LauncherLine
