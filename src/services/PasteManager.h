#pragma once

#include "platform/PasteKeySender.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class Preferences;

// Pastes the entry chosen in the popup into the window that was in front before the popup
// opened, when "pasteAfterChoosing" is on: once the user's modifier keys are up (the Ctrl of
// Ctrl+2 would otherwise join the paste key), with the key that kind of window pastes with.
// Nothing is sent to one of Kavla's own windows, to a window that is gone, or when the keys
// stay held too long.
class PasteManager : public QObject
{
    Q_OBJECT
public:
    enum class Outcome { Pasted, SwitchedOff, NoWindow, OwnWindow, WindowGone, ModifiersHeld, NotDelivered };
    Q_ENUM(Outcome)

    static constexpr int PollIntervalMs = 20;
    static constexpr int ModifierTimeoutMs = 3000;

    PasteManager(PasteKeySender *sender, Preferences *preferences, QObject *parent = nullptr);
    ~PasteManager() override;

    // The paste key of a window with this WM_CLASS.
    static PasteKey keyForWindowClass(const QString &instanceName, const QString &className);
    // "Ctrl+V", "Ctrl+Shift+V", "Shift+Insert".
    static QString keyName(PasteKey key);

public Q_SLOTS:
    // The popup is about to open: remembers the window in front.
    void popoverWillShow();
    // An entry was chosen in the popup and is on the clipboard.
    void entryChosen();
    // Pastes what is on the clipboard into the window in front now, whatever
    // "pasteAfterChoosing" says: what the command line's paste asks for.
    void pasteIntoActiveWindow();

Q_SIGNALS:
    // One chosen entry's paste ended, sent or not.
    void finished(PasteManager::Outcome outcome);

private:
    void onActiveWindowFound(const PasteWindow &window);
    void onInspected(quint32 window, bool exists, bool modifiersHeld);
    void onSent(quint32 window, PasteKey key, bool delivered);
    void begin();
    void finish(Outcome outcome);

    QPointer<PasteKeySender> m_sender;
    Preferences *m_preferences;
    PasteWindow m_front;
    bool m_asked = false;        // popoverWillShow() asked which window was in front
    bool m_frontKnown = false;   // and the answer has come
    bool m_choicePending = false; // chosen before that answer came
    bool m_pasting = false;
    QElapsedTimer m_waiting;
    QTimer m_poll;
};
