#include "services/PasteManager.h"

#include "services/Preferences.h"
#include "support/Log.h"

#include <QStringList>

namespace {

// Terminal emulators whose own paste-the-clipboard key is Ctrl+Shift+V (Ctrl+V reaches the shell
// as a literal-next character), by WM_CLASS, in lower case.
const QStringList ControlShiftVTerminals = {
    u"gnome-terminal"_qs, u"gnome-terminal-server"_qs, u"org.gnome.terminal"_qs, u"kgx"_qs,
    u"org.gnome.console"_qs, u"org.gnome.ptyxis"_qs, u"konsole"_qs, u"yakuake"_qs,
    u"xfce4-terminal"_qs, u"mate-terminal"_qs, u"lxterminal"_qs, u"qterminal"_qs,
    u"terminator"_qs, u"tilix"_qs, u"guake"_qs, u"tilda"_qs, u"sakura"_qs, u"terminology"_qs,
    u"kitty"_qs, u"alacritty"_qs, u"org.wezfurlong.wezterm"_qs, u"st"_qs, u"st-256color"_qs,
    u"cool-retro-term"_qs, u"deepin-terminal"_qs, u"io.elementary.terminal"_qs,
};

// xterm and the rxvt family paste the primary selection with Shift+Insert and bind no key to the
// clipboard; so does any other terminal we do not know, as far as Shift+Insert goes.
const QStringList ShiftInsertTerminals = {
    u"xterm"_qs, u"uxterm"_qs, u"urxvt"_qs, u"rxvt"_qs, u"rxvt-unicode"_qs, u"aterm"_qs, u"eterm"_qs,
};

bool looksLikeTerminal(const QString &name)
{
    return name.contains(u"term"_qs) || name.contains(u"rxvt"_qs);
}

} // namespace

PasteManager::PasteManager(PasteKeySender *sender, Preferences *preferences, QObject *parent)
    : QObject(parent)
    , m_sender(sender)
    , m_preferences(preferences)
{
    qRegisterMetaType<PasteWindow>();
    qRegisterMetaType<PasteKey>();
    m_poll.setSingleShot(true);
    m_poll.setInterval(PollIntervalMs);
    connect(&m_poll, &QTimer::timeout, this, [this] {
        if (m_pasting && m_sender)
            m_sender->inspect(m_front.id);
    });
    if (m_sender) {
        connect(m_sender, &PasteKeySender::activeWindowFound, this, &PasteManager::onActiveWindowFound);
        connect(m_sender, &PasteKeySender::inspected, this, &PasteManager::onInspected);
        connect(m_sender, &PasteKeySender::sent, this, &PasteManager::onSent);
    }
}

PasteManager::~PasteManager() = default;

PasteKey PasteManager::keyForWindowClass(const QString &instanceName, const QString &className)
{
    const QString instance = instanceName.toLower();
    const QString klass = className.toLower();
    if (ControlShiftVTerminals.contains(instance) || ControlShiftVTerminals.contains(klass))
        return PasteKey::ControlShiftV;
    if (ShiftInsertTerminals.contains(instance) || ShiftInsertTerminals.contains(klass) || looksLikeTerminal(instance)
        || looksLikeTerminal(klass))
        return PasteKey::ShiftInsert;
    return PasteKey::ControlV;
}

QString PasteManager::keyName(PasteKey key)
{
    switch (key) {
    case PasteKey::ControlV:
        return u"Ctrl+V"_qs;
    case PasteKey::ControlShiftV:
        return u"Ctrl+Shift+V"_qs;
    case PasteKey::ShiftInsert:
        return u"Shift+Insert"_qs;
    }
    return {};
}

void PasteManager::popoverWillShow()
{
    // A paste still waiting for the keys of an earlier choice is dropped.
    m_poll.stop();
    m_pasting = false;
    m_asked = false;
    m_frontKnown = false;
    m_choicePending = false;
    m_front = {};
    if (!m_sender || !m_preferences || !m_preferences->pasteAfterChoosing())
        return;
    m_asked = true;
    m_sender->findActiveWindow();
}

void PasteManager::onActiveWindowFound(const PasteWindow &window)
{
    if (m_frontKnown)
        return;
    m_front = window;
    m_frontKnown = true;
    if (m_choicePending) {
        m_choicePending = false;
        begin();
    }
}

void PasteManager::entryChosen()
{
    m_poll.stop();
    m_pasting = false;
    if (!m_sender || !m_preferences || !m_preferences->pasteAfterChoosing()) {
        finish(Outcome::SwitchedOff);
        return;
    }
    // A choice made before the desktop said which window was in front waits for that answer.
    if (!m_frontKnown) {
        if (m_asked)
            m_choicePending = true;
        else
            finish(Outcome::NoWindow); // switched on while the popup was open
        return;
    }
    begin();
}

void PasteManager::pasteIntoActiveWindow()
{
    m_poll.stop();
    m_pasting = false;
    m_front = {};
    m_frontKnown = false;
    if (!m_sender) {
        finish(Outcome::NoWindow);
        return;
    }
    m_asked = true;
    m_choicePending = true;
    m_sender->findActiveWindow();
}

void PasteManager::begin()
{
    if (m_front.id == 0) {
        finish(Outcome::NoWindow);
        return;
    }
    if (m_front.isOwn) {
        finish(Outcome::OwnWindow);
        return;
    }
    m_pasting = true;
    m_waiting.start();
    m_sender->inspect(m_front.id);
}

void PasteManager::onInspected(quint32 window, bool exists, bool modifiersHeld)
{
    if (!m_pasting || window != m_front.id)
        return;
    if (!exists) {
        finish(Outcome::WindowGone);
        return;
    }
    if (modifiersHeld) {
        if (m_waiting.elapsed() >= ModifierTimeoutMs)
            finish(Outcome::ModifiersHeld);
        else
            m_poll.start();
        return;
    }
    m_sender->send(window, keyForWindowClass(m_front.instanceName, m_front.className));
}

void PasteManager::onSent(quint32 window, PasteKey key, bool delivered)
{
    if (!m_pasting || window != m_front.id)
        return;
    if (delivered)
        Log::note(u"pasted the chosen entry with %1"_qs.arg(keyName(key)));
    finish(delivered ? Outcome::Pasted : Outcome::NotDelivered);
}

void PasteManager::finish(Outcome outcome)
{
    m_pasting = false;
    m_poll.stop();
    switch (outcome) {
    case Outcome::Pasted:
    case Outcome::SwitchedOff:
        break;
    case Outcome::NoWindow:
        Log::note(u"not pasted: no window was in front"_qs);
        break;
    case Outcome::OwnWindow:
        Log::note(u"not pasted: Kavla's own window was in front"_qs);
        break;
    case Outcome::WindowGone:
        Log::note(u"not pasted: the window in front is gone"_qs);
        break;
    case Outcome::ModifiersHeld:
        Log::note(u"not pasted: modifier keys stayed held"_qs);
        break;
    case Outcome::NotDelivered:
        Log::note(u"not pasted: the window in front closed or would not take the keyboard"_qs);
        break;
    }
    Q_EMIT finished(outcome);
}
