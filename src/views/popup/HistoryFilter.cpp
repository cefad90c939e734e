#include "views/popup/HistoryFilter.h"

#include "store/SearchText.h"

namespace HistoryFilter {

bool isSearching(const QString &searchText)
{
    // QString::trimmed removes Unicode white space, line breaks included.
    return !searchText.trimmed().isEmpty();
}

bool containsIgnoringCase(const QString &text, const QString &searchText, const QLocale &locale)
{
    return SearchText::fold(text, locale).contains(SearchText::fold(searchText, locale));
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

bool isWithinCap(qsizetype row, qint64 maxCount)
{
    // A negative capacity is no valid setting; taking a prefix of negative length would be
    // meaningless, so the default capacity applies.
    const qint64 cap = maxCount < 0 ? FallbackMaxCount : maxCount;
    return row < cap;
}

bool accepts(const ClipboardItem &item, qsizetype row, const QString &searchText, qint64 maxCount,
             const QLocale &locale)
{
    if (!isSearching(searchText))
        return isWithinCap(row, maxCount);
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
