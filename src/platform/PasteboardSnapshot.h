#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

// Which flavours to read of a generation, decided once its offered types are known. `stopFlavour`
// is read first, and when it holds any bytes nothing else is read (so a copy marked as secret
// never reaches this process). Each entry of `flavours` is read when offered; of `imageFlavours`
// only the first offered one whose bytes hold an image the toolkit can read, so an owner that
// converts on request converts one image only. A flavour larger than its limit (0: none) is not
// read past it, and the snapshot names it among the oversized ones instead of holding its bytes.
struct PasteboardRequest
{
    QString stopFlavour;
    QStringList flavours;
    QStringList imageFlavours;
    qint64 flavourByteLimit = 0;
    qint64 imageByteLimit = 0;
};

// Runs on the reading thread with the offered types; it must only look at its arguments and the
// values it captured.
using FlavourChooser = std::function<PasteboardRequest(const QStringList &types)>;

// What was read of one clipboard generation: the offered types and the bytes of the flavours
// asked for. A text flavour holds the bytes as the owner sent them, in the charset it declared
// (UTF-8 unless charset() names another; "text/html" may carry a UTF-16 byte-order mark).
class PasteboardSnapshot
{
public:
    PasteboardSnapshot() = default;
    PasteboardSnapshot(qint64 changeCount, QStringList types, QHash<QString, QByteArray> flavours,
                       bool complete);

    // The generation read: the pasteboard's change count when the read was asked for.
    qint64 changeCount() const { return m_changeCount; }
    // False when the owner did not answer in time or the transfer broke off: what was read is
    // then not the whole of what it offers.
    bool isComplete() const { return m_complete; }
    // The types offered, in the owner's order; the selection protocol's own targets are not types.
    const QStringList &types() const { return m_types; }

    // The bytes of a flavour, or nullopt when it was not offered or not read.
    std::optional<QByteArray> data(const QString &type) const;
    // A text flavour decoded, or nullopt when it was not offered or not read.
    std::optional<QString> string(const QString &type) const;
    // The charset a text flavour was declared in: "UTF-8" unless the owner named another (X11's
    // STRING is Latin-1).
    QByteArray charset(const QString &type) const;
    void setCharset(const QString &type, const QByteArray &charset);
    // Replaces a flavour's bytes, offering the type when it was not; nullopt takes it away.
    void setData(const QString &type, const std::optional<QByteArray> &bytes);
    // Every URL of the URL list flavour, in order, files and others alike.
    QList<QUrl> urls() const;
    // The URLs of a URL list: one a line, CR LF or LF ended (a NUL ends one too), '#' starting a
    // comment. A URL that does not parse, or that names a path with a NUL (%00), is left out.
    static QList<QUrl> parseUriList(const QByteArray &list);
    // The charset a text target or MIME type declares: Latin-1 for X11's STRING, the charset
    // parameter of "text/plain;charset=...", else UTF-8.
    static QByteArray declaredCharset(const QByteArray &target);
    // An image decoded from the image flavours read, in offered order; null when none decodes.
    QImage image() const;

    // The clipboard is empty because the client that owned the previous generation read quit,
    // rather than because it cleared the clipboard while still running.
    bool ownerQuit() const { return m_ownerQuit; }
    void setOwnerQuit(bool quit) { m_ownerQuit = quit; }

    // The flavours not read because they are larger than the request allowed, with the size of
    // each when the owner announced it or it was read whole, or UnknownSize when the owner did
    // not say and reading stopped at the limit.
    static constexpr qint64 UnknownSize = -1;
    const QHash<QString, qint64> &oversized() const { return m_oversized; }
    void setOversized(QHash<QString, qint64> oversized) { m_oversized = std::move(oversized); }

    // Whether `bytes` start like an image the toolkit can decode (a header check, no decoding).
    static bool looksLikeImage(const QByteArray &bytes);

private:
    qint64 m_changeCount = 0;
    QStringList m_types;
    QHash<QString, QByteArray> m_flavours;
    QHash<QString, QByteArray> m_charsets;
    bool m_complete = false;
    bool m_ownerQuit = false;
    QHash<QString, qint64> m_oversized;
};

Q_DECLARE_METATYPE(PasteboardSnapshot)
