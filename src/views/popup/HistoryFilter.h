#pragma once

#include "models/ClipboardItem.h"

#include <QList>
#include <QLocale>
#include <QString>

// Which history entries the popup lists for a search text.
//
// Without a search (the text is empty once white space and line breaks are trimmed) the list is
// the first `maxCount` entries. With one, it is every entry, however many, whose text, or else one
// of whose file paths, contains the search text as typed (untrimmed), ignoring letter case under
// `locale`. Entries with neither text nor paths (images) never match a search.
namespace HistoryFilter {

// The capacity used when the stored one is negative, which no setting can produce.
constexpr qint64 FallbackMaxCount = 30;

bool isSearching(const QString &searchText);
// Whether the `row`-th entry is listed when there is no search.
bool isWithinCap(qsizetype row, qint64 maxCount);
// Whether `item` matches a non-empty search.
bool matches(const ClipboardItem &item, const QString &searchText, const QLocale &locale);
// Whether the `row`-th entry of the newest-first history is listed.
bool accepts(const ClipboardItem &item, qsizetype row, const QString &searchText, qint64 maxCount,
             const QLocale &locale);
// The entries listed, in the order of `items`.
QList<ClipboardItemPtr> filteredItems(const QList<ClipboardItemPtr> &items, const QString &searchText,
                                      qint64 maxCount, const QLocale &locale);
// Whether `text` contains `searchText`, ignoring letter case under `locale`.
bool containsIgnoringCase(const QString &text, const QString &searchText, const QLocale &locale);

} // namespace HistoryFilter
