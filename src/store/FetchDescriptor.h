#pragma once

#include <QString>

#include <optional>

// What a fetch asks for: an optional exact-match condition and an optional order.
struct FetchDescriptor
{
    enum class Sort { None, CopiedAtDescending };

    // When set, only text entries whose text equals this string exactly.
    std::optional<QString> textEquals;
    Sort sort = Sort::None;

    // Text entries holding exactly `text`, in no particular order.
    static FetchDescriptor textEntries(const QString &text)
    {
        FetchDescriptor descriptor;
        descriptor.textEquals = text;
        return descriptor;
    }
    // The whole history, newest copy first.
    static FetchDescriptor historyNewestFirst()
    {
        FetchDescriptor descriptor;
        descriptor.sort = Sort::CopiedAtDescending;
        return descriptor;
    }
    // Every entry, in no particular order.
    static FetchDescriptor all() { return FetchDescriptor(); }
};
