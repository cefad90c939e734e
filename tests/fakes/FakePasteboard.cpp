#include "fakes/FakePasteboard.h"

void FakePasteboard::setContents(const QList<QPair<QString, QByteArray>> &flavours)
{
    m_flavours = flavours;
    if (!flavours.isEmpty())
        m_ownerQuit = false;
    m_written.reset();
    ++m_changeCount;
    Q_EMIT changedOutside();
}

void FakePasteboard::ownerQuits()
{
    m_ownerQuit = true;
    setContents({});
}

void FakePasteboard::setText(const QString &text)
{
    setContents({{QStringLiteral("text/plain"), text.toUtf8()}});
}

void FakePasteboard::requestContents(FlavourChooser choose)
{
    ++m_requests;
    QStringList types;
    QHash<QString, QByteArray> offered;
    QHash<QString, QByteArray> charsets;
    for (auto [type, bytes] : std::as_const(m_flavours)) {
        // The X11 text targets are read as plain text, in the charset each declares.
        if (type == u"STRING" || type == u"UTF8_STRING" || type.startsWith(u"text/plain;")) {
            charsets.insert(QStringLiteral("text/plain"), PasteboardSnapshot::declaredCharset(type.toUtf8()));
            type = QStringLiteral("text/plain");
        }
        types << type;
        offered.insert(type, bytes);
    }
    const PasteboardRequest request = choose(types);
    QHash<QString, QByteArray> read;
    QHash<QString, qint64> oversized;
    const auto readFlavour = [&](const QString &type) {
        if (!offered.contains(type))
            return false;
        m_reads[type] += 1;
        const qint64 limit = request.imageFlavours.contains(type) ? request.imageByteLimit : request.flavourByteLimit;
        if (limit > 0 && offered.value(type).size() > limit) {
            oversized.insert(type, m_announcesSizes ? offered.value(type).size() : PasteboardSnapshot::UnknownSize);
            return false;
        }
        read.insert(type, offered.value(type));
        return true;
    };
    const bool stopped = !request.stopFlavour.isEmpty() && readFlavour(request.stopFlavour)
        && !offered.value(request.stopFlavour).isEmpty();
    for (const QString &type : stopped ? QStringList() : request.flavours)
        readFlavour(type);
    for (const QString &type : stopped ? QStringList() : request.imageFlavours) {
        if (readFlavour(type) && PasteboardSnapshot::looksLikeImage(offered.value(type)))
            break;
    }
    PasteboardSnapshot snapshot(m_changeCount, types, read, true);
    snapshot.setOversized(oversized);
    for (auto it = charsets.cbegin(); it != charsets.cend(); ++it)
        snapshot.setCharset(it.key(), it.value());
    snapshot.setOwnerQuit(types.isEmpty() && std::exchange(m_ownerQuit, false));
    if (m_holdReads)
        m_held << snapshot;
    else
        Q_EMIT contentsRead(snapshot);
}

void FakePasteboard::releaseReads(bool complete)
{
    const QList<PasteboardSnapshot> held = std::exchange(m_held, {});
    for (const PasteboardSnapshot &snapshot : held) {
        Q_EMIT contentsRead(complete ? snapshot
                                     : PasteboardSnapshot(snapshot.changeCount(), snapshot.types(), {}, false));
    }
}

void FakePasteboard::writeContents(QMimeData *contents)
{
    m_written.reset(contents);
    m_flavours.clear();
    for (const QString &format : contents->formats())
        m_flavours.append({format, contents->data(format)});
    ++m_writeCount;
    ++m_changeCount;
}

void FakePasteboard::restoreContents(QMimeData *contents, qint64 changeCount)
{
    if (changeCount != m_changeCount || !m_flavours.isEmpty()) {
        delete contents;
        return;
    }
    writeContents(contents);
}
