#include "views/HistoryFilter.h"

namespace HistoryFilter {

bool isSearching(const QString &searchText)
{
    // QString::trimmed removes Unicode white space, line breaks included.
    return !searchText.trimmed().isEmpty();
}

bool containsIgnoringCase(const QString &text, const QString &searchText, const QLocale &locale)
{
    // The locale's lower case first (Turkish dotted and dotless i), then case folding for the rest.
    return locale.toLower(text).contains(locale.toLower(searchText), Qt::CaseInsensitive);
}

bool matches(const ClipboardItem &item, const QString &searchText, const QLocale &locale)
{
    if (const std::optional<QString> text = item.textContent();
        text && containsIgnoringCase(*text, searchText, locale)) {
        return true;
    }
    if (const std::optional<QStringList> paths = item.filePaths()) {
        for (const QString &path : *paths) {
            if (containsIgnoringCase(path, searchText, locale))
                return true;
        }
    }
    return false;
}

bool accepts(const ClipboardItem &item, qsizetype row, const QString &searchText, qint64 maxCount,
             const QLocale &locale)
{
    if (!isSearching(searchText)) {
        // A negative capacity is no valid setting; taking a prefix of negative length would be
        // meaningless, so the default capacity applies.
        const qint64 cap = maxCount < 0 ? FallbackMaxCount : maxCount;
        return row < cap;
    }
    return matches(item, searchText, locale);
}

QList<ClipboardItemPtr> filteredItems(const QList<ClipboardItemPtr> &items, const QString &searchText,
                                      qint64 maxCount, const QLocale &locale)
{
    QList<ClipboardItemPtr> result;
    for (qsizetype row = 0; row < items.size(); ++row) {
        if (accepts(*items.at(row), row, searchText, maxCount, locale))
            result.append(items.at(row));
    }
    return result;
}

} // namespace HistoryFilter
