#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// What a fetch asks for: an optional exact-match condition and an optional order.
struct FetchDescriptor
{
    enum class Sort { None, CopiedAtDescending };

    // When set, only text entries whose text equals this string exactly.
    std::optional<QString> textEquals;
    // The same given as valid UTF-8, so that a long text is compared without decoding it.
    std::optional<QByteArray> textEqualsUtf8;
    // When set, only file entries naming exactly these paths, in this order.
    std::optional<QStringList> filePathsEqual;
    Sort sort = Sort::None;

    // Text entries holding exactly `text`, in no particular order.
    static FetchDescriptor textEntries(const QString &text)
    {
        FetchDescriptor descriptor;
        descriptor.textEquals = text;
        return descriptor;
    }
    static FetchDescriptor textEntriesUtf8(const QByteArray &utf8)
    {
        FetchDescriptor descriptor;
        descriptor.textEqualsUtf8 = utf8;
        return descriptor;
    }
    // File entries of exactly these paths, in no particular order.
    static FetchDescriptor fileEntries(const QStringList &paths)
    {
        FetchDescriptor descriptor;
        descriptor.filePathsEqual = paths;
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
