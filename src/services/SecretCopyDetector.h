#pragma once

#include "models/ClipboardItem.h"

#include <QByteArrayView>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// Recognises a secret that was copied without a password manager's mark by what the tool that
// copied it does next. Command-line password tools and browser extensions empty the clipboard a
// few seconds after a copy (keepassxc-cli after 10 s, 1Password after 90 s, Bitwarden after the
// time the user set); `pass` and `gopass` put back what the clipboard held before, after 45 s.
//
// The monitor tells it every generation of the clipboard in order, and it answers with the entry
// to forget: a text entry whose copy was followed, with nothing else in between, by the clipboard
// emptied within ClearWindow, or by exactly the content that preceded it coming back between
// RestoreEarliest and RestoreLatest after it. A copy the user makes again of an older entry at
// any other time is never taken for a restore. Contents are compared by a hash of their text.
class SecretCopyDetector
{
public:
    using Clock = std::function<std::chrono::milliseconds()>;
    // A second beyond 90 s for the owner's timer and the announcement.
    static constexpr std::chrono::milliseconds ClearWindow{91'000};
    static constexpr std::chrono::milliseconds RestoreEarliest{40'000};
    static constexpr std::chrono::milliseconds RestoreLatest{50'000};

    // `clock` is monotonic; the default is the system's steady clock.
    explicit SecretCopyDetector(Clock clock = {});
    void setClock(Clock clock);

    // The hash contents are compared by: of a text's UTF-8 bytes.
    using Fingerprint = std::optional<size_t>;
    static Fingerprint fingerprint(QByteArrayView utf8);

    enum class Reason { Cleared, Restored };
    struct Verdict
    {
        ClipboardItemPtr entry;
        Reason reason = Reason::Cleared;
        std::chrono::milliseconds after{0};
    };

    // A new generation with `content` (none when it held no text, or was not read) arrived; it
    // was recorded as `entry`, or not recorded (null). Answers the entry to forget when this is
    // a restore of what preceded the newest copy.
    std::optional<Verdict> contentArrived(const Fingerprint &content, const ClipboardItemPtr &entry);
    // The clipboard was emptied: an empty or blank text, or the selection given up by an owner
    // that still runs.
    std::optional<Verdict> cleared();
    // Kavla itself put `content` there (a copy-back): something else copied, by the user.
    void ownWrite(const Fingerprint &content);
    // The entry left the history by other means: nothing of it is to be forgotten any more.
    void entryDeleted(const QUuid &id);

private:
    struct Copy
    {
        Fingerprint content;
        ClipboardItemPtr entry; // a text entry that may be a secret; null otherwise
        std::chrono::milliseconds at{0};
    };
    void push(const Copy &copy);

    Clock m_clock;
    std::optional<Copy> m_newest;
    Fingerprint m_preceding;
};
