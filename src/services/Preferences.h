#pragma once

#include <QByteArray>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

class DefaultsStore;

// Every key of the per-user defaults store, exactly as stored.
namespace PreferenceKeys {
inline const QString maxHistoryCount = QStringLiteral("maxHistoryCount");
inline const QString enableSoundFeedback = QStringLiteral("enableSoundFeedback");
inline const QString enableCaptureText = QStringLiteral("enableCaptureText");
inline const QString enableCaptureImage = QStringLiteral("enableCaptureImage");
inline const QString enableCaptureTable = QStringLiteral("enableCaptureTable");
inline const QString enableCaptureFile = QStringLiteral("enableCaptureFile");
inline const QString globalShortcutEnabled = QStringLiteral("globalShortcutEnabled");
inline const QString globalShortcutPreset = QStringLiteral("globalShortcutPreset");
inline const QString globalShortcutKeyCode = QStringLiteral("globalShortcutKeyCode");
inline const QString globalShortcutModifiers = QStringLiteral("globalShortcutModifiers");
inline const QString selectedLanguage = QStringLiteral("selectedLanguage");
inline const QString appleLanguages = QStringLiteral("AppleLanguages");
inline const QString selectedAppearance = QStringLiteral("selectedAppearance");
inline const QString settingsSelectedSection = QStringLiteral("settingsSelectedSection");
inline const QString launchAtLogin = QStringLiteral("launchAtLogin");
inline const QString ignoredApplications = QStringLiteral("Kavla_IgnoredApplications");
inline const QString offeredIgnoredDefaults = QStringLiteral("Kavla_OfferedIgnoredDefaults");
inline const QString keepClipboardAfterOwnerQuits = QStringLiteral("keepClipboardAfterOwnerQuits");
inline const QString pasteAfterChoosing = QStringLiteral("pasteAfterChoosing");
inline const QString forgetClearedSecrets = QStringLiteral("forgetClearedSecrets");
} // namespace PreferenceKeys

// The kinds of clipboard content the monitor can be told to skip.
enum class CaptureKind { Text, Image, Table, File };

// The user's settings, read and written by name over a DefaultsStore.
//
// Each key has a change signal of its own, or shares one with the keys read together (the four
// capture switches, the four shortcut keys, the two language keys); it fires whenever anyone
// using the same store writes or removes the key, and listeners read the new value through the
// readers below.
//
// No defaults are registered with the store: each reader applies its own fallback when it reads,
// so two readers of one key may fall back differently. The readers named "...For<Use>" are the
// ones a particular caller must use; the plain names are the settings window's bound values.
//
// Read patterns (each a public function too, for keys read in only one place). A value of another
// type than the pattern reads is ignored, as if the key were missing, so the reader's own fallback
// applies: a boolean is never a capacity of 1, nor a string "YES" a switch turned on.
//   boolean read   only a stored boolean; else false
//   integer read   a stored number, truncated toward zero (saturated); else 0
//   string read    only a stored string
//   typed reads    only a stored boolean; an unsigned 32-bit number (integer, or whole double,
//                  in range); only stored data
class Preferences : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 DefaultMaxHistoryCount = 30;
    static constexpr quint32 DefaultGlobalShortcutKeyCode = 9; // V
    static constexpr quint32 DefaultGlobalShortcutModifiers = 768; // cmdKey | shiftKey

    static inline const QString SystemLanguage = QStringLiteral("system");
    static inline const QString SystemAppearance = QStringLiteral("system");
    static inline const QString DefaultGlobalShortcutPreset = QStringLiteral("cmd_shift_v");
    static inline const QString GeneralSection = QStringLiteral("Geral");

    explicit Preferences(DefaultsStore *store, QObject *parent = nullptr);

    DefaultsStore *store() const { return m_store; }

    // --- Read patterns -------------------------------------------------------------------------
    bool boolValue(const QString &key) const;
    qint64 integerValue(const QString &key) const;
    std::optional<QString> stringValue(const QString &key) const;
    std::optional<bool> typedBool(const QString &key) const;
    std::optional<quint32> typedUInt32(const QString &key) const;
    std::optional<QByteArray> dataValue(const QString &key) const;

    // --- History capacity ("maxHistoryCount") ---------------------------------------------------
    // The history-limit operation's reader: integer read; a result below 1 (missing included) is
    // replaced by 30, written back to the store, and returned.
    qint64 maxHistoryCountForLimit();
    // Settings window and popover: a stored integer, else 30.
    qint64 maxHistoryCount() const;
    void setMaxHistoryCount(qint64 count);

    // --- Sound feedback ("enableSoundFeedback") --------------------------------------------------
    // The copy-back's reader: boolean read, so a missing key means no sound.
    bool soundFeedbackForCopyBack() const;
    // Settings window: a stored boolean, else true.
    bool soundFeedbackEnabled() const;
    void setSoundFeedbackEnabled(bool enabled);

    // --- Capture switches ("enableCapture...") ---------------------------------------------------
    // Monitor and settings window alike: a stored boolean, else true (capture on).
    bool isCaptureEnabled(CaptureKind kind) const;
    void setCaptureEnabled(CaptureKind kind, bool enabled);
    static QString captureKey(CaptureKind kind);

    // --- Global shortcut ----------------------------------------------------------------------
    // Hot-key registration: only a stored boolean false disables the hot key.
    bool globalShortcutEnabledForHotKey() const;
    // Settings window: a stored boolean, else true. Agrees with the reader above for every value.
    bool globalShortcutEnabled() const;
    void setGlobalShortcutEnabled(bool enabled);
    // Settings window: a stored string, else "cmd_shift_v". The registration never reads it.
    QString globalShortcutPreset() const;
    void setGlobalShortcutPreset(const QString &preset);
    // Hot-key registration: a stored unsigned 32-bit number other than 0, else 9 / 768.
    quint32 globalShortcutKeyCode() const;
    quint32 globalShortcutModifiers() const;
    void setGlobalShortcutKeyCode(quint32 keyCode);
    void setGlobalShortcutModifiers(quint32 modifiers);

    // --- Language ("selectedLanguage", "AppleLanguages") ---------------------------------------
    // Language manager and popover: a stored string, else "system".
    QString selectedLanguage() const;
    void setSelectedLanguage(const QString &code);
    // Settings and Help windows: the system's locale when the value is missing, empty or
    // "system", else the locale with that identifier.
    QLocale localeForWindows() const;
    // The stored array of strings, else empty.
    QStringList appleLanguages() const;
    void setAppleLanguages(const QStringList &codes);
    void removeAppleLanguages();

    // --- Appearance ("selectedAppearance") ------------------------------------------------------
    // Appearance manager: a stored string, else "system". Any value but "light" and "dark"
    // behaves as "system"; that mapping is the appearance manager's.
    QString selectedAppearance() const;
    void setSelectedAppearance(const QString &code);

    // --- Settings window section ("settingsSelectedSection") -------------------------------------
    // The four sections' raw values, in sidebar order.
    static QStringList settingsSections();
    // A stored section raw value, else "Geral". An unknown value is read as "Geral" but left in
    // the store until the user selects a row.
    QString settingsSelectedSection() const;
    void setSettingsSelectedSection(const QString &section);

    // --- Login item mirror ("launchAtLogin"): written for outside inspection, read by no one ----
    void setLaunchAtLogin(bool enabled);

    // --- Ignored applications ("Kavla_IgnoredApplications") -------------------------------------
    std::optional<QByteArray> ignoredApplicationsData() const;
    void setIgnoredApplicationsData(const QByteArray &json);
    // The default ignore entries already offered once ("Kavla_OfferedIgnoredDefaults"): a stored
    // array of strings, else nullopt. One the user removed is not added again.
    std::optional<QStringList> offeredIgnoredDefaults() const;
    void setOfferedIgnoredDefaults(const QStringList &identifiers);

    // --- Clipboard owner ("keepClipboardAfterOwnerQuits") ---------------------------------------
    // Whether a copy stays on the clipboard after the application that made it quits: a stored
    // boolean, else true.
    bool keepClipboardAfterOwnerQuits() const;
    void setKeepClipboardAfterOwnerQuits(bool keep);

    // --- Paste after choosing ("pasteAfterChoosing") --------------------------------------------
    // Whether choosing an item also pastes it: a stored boolean, else false.
    bool pasteAfterChoosing() const;
    void setPasteAfterChoosing(bool paste);

    // --- Secrets without a mark ("forgetClearedSecrets") -----------------------------------------
    // Whether a text copy that its owner clears soon after, or replaces with what came before,
    // is forgotten: a stored boolean, else true.
    bool forgetClearedSecrets() const;
    void setForgetClearedSecrets(bool forget);

Q_SIGNALS:
    void maxHistoryCountChanged();
    void soundFeedbackChanged();
    // Any of the four "enableCapture..." keys.
    void captureKindsChanged();
    // "globalShortcutEnabled", "globalShortcutPreset", "globalShortcutKeyCode" or
    // "globalShortcutModifiers".
    void globalShortcutChanged();
    // "selectedLanguage" or "AppleLanguages".
    void languageChanged();
    void appearanceChanged();
    void settingsSectionChanged();
    void launchAtLoginChanged();
    void ignoredApplicationsChanged();
    void keepClipboardAfterOwnerQuitsChanged();
    void pasteAfterChoosingChanged();
    void forgetClearedSecretsChanged();

private:
    void notifyChanged(const QString &key);

    DefaultsStore *m_store;
};
