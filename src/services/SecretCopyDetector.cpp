#include "services/SecretCopyDetector.h"

#include <QHashFunctions>

SecretCopyDetector::SecretCopyDetector(Clock clock)
{
    setClock(std::move(clock));
}

void SecretCopyDetector::setClock(Clock clock)
{
    m_clock = std::move(clock);
    if (!m_clock) {
        m_clock = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
        };
    }
}

SecretCopyDetector::Fingerprint SecretCopyDetector::fingerprint(QByteArrayView utf8)
{
    // A fixed seed: the same text gives the same hash for the life of the process.
    return qHash(utf8, size_t(0));
}

void SecretCopyDetector::push(const Copy &copy)
{
    m_preceding = m_newest ? m_newest->content : std::nullopt;
    m_newest = copy;
}

std::optional<SecretCopyDetector::Verdict> SecretCopyDetector::contentArrived(const Fingerprint &content,
                                                                              const ClipboardItemPtr &entry)
{
    const std::chrono::milliseconds now = m_clock();
    std::optional<Verdict> verdict;
    if (m_newest && content && content == m_preceding) {
        const std::chrono::milliseconds after = now - m_newest->at;
        if (after >= RestoreEarliest && after <= RestoreLatest) {
            if (m_newest->entry)
                verdict = Verdict{m_newest->entry, Reason::Restored, after};
        }
    }
    const bool candidate = entry && entry->isText();
    // What the forgotten copy replaced is back, itself no copy that could be a secret, nor
    // anything the forgotten one could be a restore of.
    push(Copy{content, candidate && !verdict ? entry : ClipboardItemPtr(), now});
    if (verdict)
        m_preceding.reset();
    return verdict;
}

std::optional<SecretCopyDetector::Verdict> SecretCopyDetector::cleared()
{
    const std::chrono::milliseconds now = m_clock();
    std::optional<Verdict> verdict;
    if (m_newest && now - m_newest->at <= ClearWindow) {
        if (m_newest->entry)
            verdict = Verdict{m_newest->entry, Reason::Cleared, now - m_newest->at};
    }
    push(Copy{std::nullopt, {}, now});
    return verdict;
}

void SecretCopyDetector::ownWrite(const Fingerprint &content)
{
    push(Copy{content, {}, m_clock()});
}

void SecretCopyDetector::entryDeleted(const QUuid &id)
{
    if (m_newest && m_newest->entry && m_newest->entry->id() == id)
        m_newest->entry.reset();
}
