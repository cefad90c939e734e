#pragma once

#include "models/ClipboardItem.h"
#include "shell/HistoryBusEntry.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

class ContentStream;
class HistoryFilterModel;
class HistoryService;
class PasteManager;
class Preferences;
class StatusBarController;
class WindowManager;

// The running Kavla on the user's session bus: the object /com/tarnwick/Kavla, whose interface
// com.tarnwick.Kavla.History1 (resources/com.tarnwick.Kavla.History1.xml, from which its adaptor
// is generated) the `kavla` command and scripts call, under the name com.tarnwick.Kavla. Only the
// session bus, which only this user's processes reach; never the system bus.
//
// Each call is answered by the history service, the popup or the window manager, as the same
// request in the popup would be. An entry is named as EntryReference reads it; a name that is no
// entry's is answered with an error, never more. Main thread only, like what it calls.
class HistoryBusService : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    // What the calls reach; `paste` is null where no window can be typed into (Wayland).
    struct Parts
    {
        HistoryService *history = nullptr;
        Preferences *preferences = nullptr;
        StatusBarController *statusBar = nullptr;
        WindowManager *windows = nullptr;
        PasteManager *paste = nullptr;
    };

    // How long a paste may take to answer: the paste manager's wait for the keys to be let go,
    // and the desktop's answers.
    static constexpr int PasteAnswerMs = 6000;

    explicit HistoryBusService(const Parts &parts, QObject *parent = nullptr);
    ~HistoryBusService() override;

public Q_SLOTS:
    // Exports the object and asks the bus for the name; nothing waits for the bus's answer,
    // which is said in one line: reachable, the name taken, or no session bus.
    void publish();

    // --- The interface; the adaptor calls these --------------------------------------------
    // The entries the popup lists for `search` (the history up to the capacity when the search
    // is blank), newest first.
    QList<HistoryBusEntry> List(const QString &search);
    // The entry's kind; its file paths; and a socket that yields its text as UTF-8, its image as
    // PNG, or nothing for files, and then closes.
    QString Content(const QString &entry, QStringList &files, QDBusUnixFileDescriptor &data);
    // Puts the entry back on the clipboard; it moves to the top.
    void Copy(const QString &entry);
    // Copies the entry back, then pastes it into the window in front (X11); answered once pasted.
    void Paste(const QString &entry);
    void SetPinned(const QString &entry, bool pinned);
    void Delete(const QString &entry);
    // Deletes every entry, pinned ones too.
    void Clear();
    void ShowPopup();
    void HidePopup();
    void TogglePopup();
    void ShowSettings();
    void ShowGuide();
    void ShowHistoryWindow();

Q_SIGNALS:
    // The history changed: an entry came, went, moved, or was pinned or unpinned.
    void Changed();

private:
    // The entry `text` names, or null once the caller has been answered with an error.
    ClipboardItemPtr resolve(const QString &text);
    HistoryBusEntry entryAt(int row) const;
    QList<HistoryBusEntry> entriesOf(const HistoryFilterModel *filter) const;
    void answerPastes(bool pasted, const QString &reason);

    Parts m_parts;
    ContentStream *m_streams;
    bool m_exported = false;
    QTimer m_changed;
    // Paste calls waiting for the paste manager's outcome.
    QList<QDBusMessage> m_pendingPastes;
    QDBusConnection m_pasteConnection;
    QTimer m_pasteGuard;
};
