#pragma once

#include "models/ClipboardItem.h"
#include "platform/PasteboardSnapshot.h"
#include "platform/Workspace.h"
#include "services/ImageCapture.h"
#include "services/SecretCopyDetector.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSizeF>
#include <QString>
#include <QUrl>

#include <optional>

class HistoryService;
class IgnoredAppsManager;
class Pasteboard;
class Preferences;
class Workspace;

// Watches the clipboard and decides what every new generation copied in another application is:
// skipped (Kavla's own, an ignored application, a password manager's mark, a kind switched off),
// or classified and handed to the history service to be recorded as at most one entry. It also
// puts back the entry of an owner that quit, and tells a secret copied without a mark.
class ClipboardMonitor : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isMonitoring READ isMonitoring NOTIFY isMonitoringChanged)
public:
    static constexpr qint64 DefaultHistoryCapacity = 30;
    // A single copied image file is read whole only up to this size; a larger one (or anything
    // that is not a regular file, such as a named pipe) is recorded as a file entry instead.
    static constexpr qint64 MaxImageFileBytes = 256 * 1024 * 1024;
    // The largest entry recorded: a text of MaxTextBytes of UTF-8; an image of MaxImageBytes
    // encoded and MaxImagePixels at most, decoded within ImageDecodeBudgetMiB (Qt's own default
    // of 128 MiB refuses images above about 33 megapixels). SQLite's length limit lowers the
    // byte limits where it is smaller. A copy over them is read no further than the limit.
    static constexpr qint64 MaxTextBytes = 256 * 1024 * 1024;
    static constexpr qint64 MaxImageBytes = 512 * 1024 * 1024;
    static constexpr qint64 MaxImagePixels = 128 * 1024 * 1024;
    static constexpr int ImageDecodeBudgetMiB = 1024;

    static const QStringList ImageFileExtensions;
    static inline const QString PlainTextType = QStringLiteral("text/plain");
    static inline const QString HtmlType = QStringLiteral("text/html");
    static inline const QString PngType = QStringLiteral("image/png");
    static inline const QString TiffType = QStringLiteral("image/tiff");
    static inline const QString JpegType = QStringLiteral("image/jpeg");
    // What password managers put on the copies they make; any non-empty value marks a secret.
    static inline const QString PasswordManagerHintType = QStringLiteral("x-kde-passwordManagerHint");

    // Without a history (null) every generation is marked handled and none is recorded.
    ClipboardMonitor(Pasteboard *pasteboard, Workspace *workspace, Preferences *preferences,
                     IgnoredAppsManager *ignoredApps, HistoryService *history, QObject *parent = nullptr);
    ~ClipboardMonitor() override;

    void startMonitoring();
    void stopMonitoring();
    bool isMonitoring() const { return m_isMonitoring; }
    qint64 lastChangeCount() const { return m_lastChangeCount; }

    // One poll: when the change count moved since the last handled generation, decides whether
    // the new one is to be recorded and, if so, asks the pasteboard to read it.
    void checkForChanges();
    // Whether a generation is being read.
    bool isReading() const { return m_reading.changeCount != 0; }
    // Whether a generation read is being recorded (its image made off the interface thread).
    bool isRecording() const { return m_recording; }

    // What recognises secrets copied without a mark; tests give it a clock of their own.
    SecretCopyDetector &secretCopyDetector() { return m_secrets; }

    // The capture switches a read is chosen by, taken when the read is asked for.
    struct CaptureSwitches
    {
        bool text = true;
        bool image = true;
        bool table = true;
        bool file = true;
    };
    // The flavours the classification needs of a generation offering `types`.
    static PasteboardRequest flavoursToRead(const QStringList &types, const CaptureSwitches &switches);

Q_SIGNALS:
    void isMonitoringChanged(bool monitoring);

private:
    // A generation and the application that was frontmost when its change was announced.
    struct Generation
    {
        qint64 changeCount = 0;
        ApplicationIdentity source;
    };

    void onChangeAnnounced();
    void onContentsRead(const PasteboardSnapshot &snapshot);
    // What the image of a generation needs made off the interface thread; nullopt when nothing.
    static std::optional<ImageCapture::Request> imageRequest(const PasteboardSnapshot &snapshot,
                                                             const CaptureSwitches &switches);
    void onImageCaptured(quint64 ticket, const ImageCapture::Result &result);
    // Records the generation (with its image made, when one was needed) and tells the secret
    // detector; then the next announced change is examined.
    void record(const PasteboardSnapshot &snapshot, const Generation &generation,
                const CaptureSwitches &switches, const ImageCapture::Result *images);
    // Returns the entry recorded or refreshed, if any.
    ClipboardItemPtr processPasteboardContent(const PasteboardSnapshot &snapshot, const QString &bundleId,
                                              const QString &appName, const CaptureSwitches &switches,
                                              const ImageCapture::Result *images);
    void finishGeneration(const Generation &generation);
    // The clipboard emptied because its owner quit: offers the entry recorded from it again,
    // unless the clipboard changed again since generation `changeCount`.
    void restoreAfterOwnerQuit(qint64 changeCount);
    // Deletes the entry the secret detector named, when that is switched on.
    void forgetSecret(const std::optional<SecretCopyDetector::Verdict> &verdict);
    struct EntryLimits
    {
        qint64 textBytes = 0;
        qint64 imageBytes = 0;
    };
    EntryLimits entryLimits() const;
    // Kavla wrote the clipboard itself: nothing read before is of the generation it holds now.
    void onCopiedBack(const QByteArray &plainText);

    Pasteboard *m_pasteboard;
    Workspace *m_workspace;
    Preferences *m_preferences;
    IgnoredAppsManager *m_ignoredApps;
    QPointer<HistoryService> m_history;

    qint64 m_lastChangeCount = 0;
    // The source sampled when the newest change was announced, and the generation being read.
    Generation m_announced;
    Generation m_reading;
    // A snapshot is being recorded: a change announced meanwhile is examined right after.
    bool m_recording = false;
    // The entry recorded from the generation examined last, which may be offered again when its
    // owner quits; none when that generation was not recorded.
    ClipboardItemPtr m_restorable;
    bool m_recheckAfterRecording = false;
    // The generation whose image is being made, with what its classification goes on with.
    struct PendingImage
    {
        quint64 ticket = 0;
        PasteboardSnapshot snapshot;
        Generation generation;
        CaptureSwitches switches;
    };
    std::optional<PendingImage> m_pendingImage;
    quint64 m_imageTickets = 0;
    ImageCapture m_imageCapture;
    SecretCopyDetector m_secrets;
    bool m_isMonitoring = false;
};
