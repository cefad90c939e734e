#include "services/Preferences.h"

#include "platform/DefaultsStore.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr qint64 Int64Max = std::numeric_limits<qint64>::max();
constexpr qint64 Int64Min = std::numeric_limits<qint64>::min();

// Truncated toward zero and held within qint64; NaN has no integer and reads as 0.
qint64 saturatedInteger(double number)
{
    if (std::isnan(number))
        return 0;
    // 2^63 is exactly representable; anything from there on does not fit.
    if (number >= 9223372036854775808.0)
        return Int64Max;
    if (number <= -9223372036854775808.0)
        return Int64Min;
    return qint64(number);
}

using ChangeSignal = void (Preferences::*)();

struct KeySignal
{
    QString key;
    ChangeSignal signal;
};

// Every key of the store and the signal a change to it fires. Built on first use, since the key
// names are themselves initialised at start-up.
const auto &keySignals()
{
    namespace Keys = PreferenceKeys;
    static const auto table = std::to_array<KeySignal>({
        {Keys::maxHistoryCount, &Preferences::maxHistoryCountChanged},
        {Keys::enableSoundFeedback, &Preferences::soundFeedbackChanged},
        {Keys::enableCaptureText, &Preferences::captureKindsChanged},
        {Keys::enableCaptureImage, &Preferences::captureKindsChanged},
        {Keys::enableCaptureTable, &Preferences::captureKindsChanged},
        {Keys::enableCaptureFile, &Preferences::captureKindsChanged},
        {Keys::globalShortcutEnabled, &Preferences::globalShortcutChanged},
        {Keys::globalShortcutPreset, &Preferences::globalShortcutChanged},
        {Keys::globalShortcutKeyCode, &Preferences::globalShortcutChanged},
        {Keys::globalShortcutModifiers, &Preferences::globalShortcutChanged},
        {Keys::selectedLanguage, &Preferences::languageChanged},
        {Keys::appleLanguages, &Preferences::languageChanged},
        {Keys::selectedAppearance, &Preferences::appearanceChanged},
        {Keys::settingsSelectedSection, &Preferences::settingsSectionChanged},
        {Keys::launchAtLogin, &Preferences::launchAtLoginChanged},
        {Keys::ignoredApplications, &Preferences::ignoredApplicationsChanged},
        {Keys::keepClipboardAfterOwnerQuits, &Preferences::keepClipboardAfterOwnerQuitsChanged},
        {Keys::pasteAfterChoosing, &Preferences::pasteAfterChoosingChanged},
        {Keys::forgetClearedSecrets, &Preferences::forgetClearedSecretsChanged},
    });
    return table;
}

} // namespace

Preferences::Preferences(DefaultsStore *store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    Q_ASSERT(store);
    connect(m_store, &DefaultsStore::valueChanged, this, &Preferences::notifyChanged);
}

void Preferences::notifyChanged(const QString &key)
{
    // Keys that are not preferences (anything else sharing the store) fire nothing.
    const auto &table = keySignals();
    const auto entry = std::find_if(table.begin(), table.end(),
                                    [&key](const KeySignal &row) { return row.key == key; });
    if (entry != table.end())
        Q_EMIT (this->*entry->signal)();
}

// --- Read patterns ----------------------------------------------------------------------------

bool Preferences::boolValue(const QString &key) const
{
    return typedBool(key).value_or(false);
}

qint64 Preferences::integerValue(const QString &key) const
{
    const QVariant value = m_store->object(key);
    switch (value.typeId()) {
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::Double:
        return saturatedInteger(value.toDouble());
    default:
        return 0;
    }
}

std::optional<QString> Preferences::stringValue(const QString &key) const
{
    const QVariant value = m_store->object(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

std::optional<bool> Preferences::typedBool(const QString &key) const
{
    const QVariant value = m_store->object(key);
    if (value.typeId() != QMetaType::Bool)
        return std::nullopt;
    return value.toBool();
}

std::optional<quint32> Preferences::typedUInt32(const QString &key) const
{
    constexpr qint64 Max = std::numeric_limits<quint32>::max();
    const QVariant value = m_store->object(key);
    if (value.typeId() == QMetaType::LongLong) {
        const qint64 number = value.toLongLong();
        if (number >= 0 && number <= Max)
            return quint32(number);
    } else if (value.typeId() == QMetaType::Double) {
        const double number = value.toDouble();
        if (number >= 0.0 && number <= double(Max) && std::trunc(number) == number)
            return quint32(number);
    }
    return std::nullopt;
}

std::optional<QByteArray> Preferences::dataValue(const QString &key) const
{
    const QVariant value = m_store->object(key);
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return value.toByteArray();
}

// --- History capacity -------------------------------------------------------------------------

qint64 Preferences::maxHistoryCountForLimit()
{
    const qint64 count = integerValue(PreferenceKeys::maxHistoryCount);
    if (count >= 1)
        return count;
    m_store->set(PreferenceKeys::maxHistoryCount, DefaultMaxHistoryCount);
    return DefaultMaxHistoryCount;
}

qint64 Preferences::maxHistoryCount() const
{
    const QVariant value = m_store->object(PreferenceKeys::maxHistoryCount);
    if (value.typeId() != QMetaType::LongLong)
        return DefaultMaxHistoryCount;
    return value.toLongLong();
}

void Preferences::setMaxHistoryCount(qint64 count)
{
    m_store->set(PreferenceKeys::maxHistoryCount, count);
}

// --- Sound feedback ---------------------------------------------------------------------------

bool Preferences::soundFeedbackForCopyBack() const
{
    return boolValue(PreferenceKeys::enableSoundFeedback);
}

bool Preferences::soundFeedbackEnabled() const
{
    return typedBool(PreferenceKeys::enableSoundFeedback).value_or(true);
}

void Preferences::setSoundFeedbackEnabled(bool enabled)
{
    m_store->set(PreferenceKeys::enableSoundFeedback, enabled);
}

// --- Capture switches -------------------------------------------------------------------------

QString Preferences::captureKey(CaptureKind kind)
{
    switch (kind) {
    case CaptureKind::Text:
        return PreferenceKeys::enableCaptureText;
    case CaptureKind::Image:
        return PreferenceKeys::enableCaptureImage;
    case CaptureKind::Table:
        return PreferenceKeys::enableCaptureTable;
    case CaptureKind::File:
        return PreferenceKeys::enableCaptureFile;
    }
    Q_UNREACHABLE();
    return {};
}

bool Preferences::isCaptureEnabled(CaptureKind kind) const
{
    return typedBool(captureKey(kind)).value_or(true);
}

void Preferences::setCaptureEnabled(CaptureKind kind, bool enabled)
{
    m_store->set(captureKey(kind), enabled);
}

// --- Global shortcut --------------------------------------------------------------------------

bool Preferences::globalShortcutEnabledForHotKey() const
{
    return typedBool(PreferenceKeys::globalShortcutEnabled) != std::optional<bool>(false);
}

bool Preferences::globalShortcutEnabled() const
{
    return typedBool(PreferenceKeys::globalShortcutEnabled).value_or(true);
}

void Preferences::setGlobalShortcutEnabled(bool enabled)
{
    m_store->set(PreferenceKeys::globalShortcutEnabled, enabled);
}

QString Preferences::globalShortcutPreset() const
{
    return stringValue(PreferenceKeys::globalShortcutPreset).value_or(DefaultGlobalShortcutPreset);
}

void Preferences::setGlobalShortcutPreset(const QString &preset)
{
    m_store->set(PreferenceKeys::globalShortcutPreset, preset);
}

quint32 Preferences::globalShortcutKeyCode() const
{
    const quint32 keyCode = typedUInt32(PreferenceKeys::globalShortcutKeyCode).value_or(0);
    return keyCode != 0 ? keyCode : DefaultGlobalShortcutKeyCode;
}

quint32 Preferences::globalShortcutModifiers() const
{
    const quint32 modifiers = typedUInt32(PreferenceKeys::globalShortcutModifiers).value_or(0);
    return modifiers != 0 ? modifiers : DefaultGlobalShortcutModifiers;
}

void Preferences::setGlobalShortcutKeyCode(quint32 keyCode)
{
    m_store->set(PreferenceKeys::globalShortcutKeyCode, qint64(keyCode));
}

void Preferences::setGlobalShortcutModifiers(quint32 modifiers)
{
    m_store->set(PreferenceKeys::globalShortcutModifiers, qint64(modifiers));
}

// --- Language ---------------------------------------------------------------------------------

QString Preferences::selectedLanguage() const
{
    return stringValue(PreferenceKeys::selectedLanguage).value_or(SystemLanguage);
}

void Preferences::setSelectedLanguage(const QString &code)
{
    m_store->set(PreferenceKeys::selectedLanguage, code);
}

QLocale Preferences::localeForWindows() const
{
    const QString code = stringValue(PreferenceKeys::selectedLanguage).value_or(QString());
    if (code.isEmpty() || code == SystemLanguage)
        return QLocale::system();
    return QLocale(code);
}

QStringList Preferences::appleLanguages() const
{
    const QVariant value = m_store->object(PreferenceKeys::appleLanguages);
    if (value.typeId() != QMetaType::QStringList)
        return {};
    return value.toStringList();
}

void Preferences::setAppleLanguages(const QStringList &codes)
{
    m_store->set(PreferenceKeys::appleLanguages, codes);
}

void Preferences::removeAppleLanguages()
{
    m_store->remove(PreferenceKeys::appleLanguages);
}

// --- Appearance -------------------------------------------------------------------------------

QString Preferences::selectedAppearance() const
{
    return stringValue(PreferenceKeys::selectedAppearance).value_or(SystemAppearance);
}

void Preferences::setSelectedAppearance(const QString &code)
{
    m_store->set(PreferenceKeys::selectedAppearance, code);
}

// --- Settings window section ------------------------------------------------------------------

QStringList Preferences::settingsSections()
{
    return {GeneralSection, QStringLiteral("Aplicativos"), QStringLiteral("Atalhos"),
            QStringLiteral("Sobre")};
}

QString Preferences::settingsSelectedSection() const
{
    const std::optional<QString> section = stringValue(PreferenceKeys::settingsSelectedSection);
    if (!section || !settingsSections().contains(*section))
        return GeneralSection;
    return *section;
}

void Preferences::setSettingsSelectedSection(const QString &section)
{
    m_store->set(PreferenceKeys::settingsSelectedSection, section);
}

// --- Login item mirror ------------------------------------------------------------------------

void Preferences::setLaunchAtLogin(bool enabled)
{
    m_store->set(PreferenceKeys::launchAtLogin, enabled);
}

// --- Ignored applications ---------------------------------------------------------------------

std::optional<QByteArray> Preferences::ignoredApplicationsData() const
{
    return dataValue(PreferenceKeys::ignoredApplications);
}

void Preferences::setIgnoredApplicationsData(const QByteArray &json)
{
    m_store->set(PreferenceKeys::ignoredApplications, json);
}

std::optional<QStringList> Preferences::offeredIgnoredDefaults() const
{
    const QVariant value = m_store->object(PreferenceKeys::offeredIgnoredDefaults);
    if (value.typeId() != QMetaType::QStringList)
        return std::nullopt;
    return value.toStringList();
}

void Preferences::setOfferedIgnoredDefaults(const QStringList &identifiers)
{
    m_store->set(PreferenceKeys::offeredIgnoredDefaults, identifiers);
}

// --- Clipboard owner --------------------------------------------------------------------------

bool Preferences::keepClipboardAfterOwnerQuits() const
{
    return typedBool(PreferenceKeys::keepClipboardAfterOwnerQuits).value_or(true);
}

void Preferences::setKeepClipboardAfterOwnerQuits(bool keep)
{
    m_store->set(PreferenceKeys::keepClipboardAfterOwnerQuits, keep);
}

// --- Paste after choosing ---------------------------------------------------------------------

bool Preferences::pasteAfterChoosing() const
{
    return typedBool(PreferenceKeys::pasteAfterChoosing).value_or(false);
}

void Preferences::setPasteAfterChoosing(bool paste)
{
    m_store->set(PreferenceKeys::pasteAfterChoosing, paste);
}

// --- Secrets without a mark -------------------------------------------------------------------

bool Preferences::forgetClearedSecrets() const
{
    return typedBool(PreferenceKeys::forgetClearedSecrets).value_or(true);
}

void Preferences::setForgetClearedSecrets(bool forget)
{
    m_store->set(PreferenceKeys::forgetClearedSecrets, forget);
}
