#include "fakes/MemoryDefaultsStore.h"
#include "services/Preferences.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

using namespace PreferenceKeys;

namespace {
constexpr qint64 Int64Max = std::numeric_limits<qint64>::max();
constexpr qint64 Int64Min = std::numeric_limits<qint64>::min();

QVariant integer(qint64 value)
{
    return QVariant(value);
}

QVariant text(const char *value)
{
    return QVariant(QString::fromUtf8(value));
}
} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private:
    // A stored value per row; an invalid QVariant leaves the key missing.
    static void store(MemoryDefaultsStore &defaults, const QString &key, const QVariant &value)
    {
        if (value.isValid())
            defaults.set(key, value);
    }

private Q_SLOTS:
    void booleanRead_data();
    void booleanRead();
    void integerRead_data();
    void integerRead();
    void historyLimitReplacesCountsBelowOne_data();
    void historyLimitReplacesCountsBelowOne();
    void boundHistoryCount_data();
    void boundHistoryCount();
    void soundFeedbackReaders_data();
    void soundFeedbackReaders();
    void captureSwitches_data();
    void captureSwitches();
    void captureSwitchesUseTheirOwnKeys();
    void globalShortcutEnabledReaders_data();
    void globalShortcutEnabledReaders();
    void presetReader_data();
    void presetReader();
    void hotKeyNumbers_data();
    void hotKeyNumbers();
    void hotKeySettersStoreIntegers();
    void languageReader_data();
    void languageReader();
    void localeForWindows_data();
    void localeForWindows();
    void appleLanguagesSetAndRemove();
    void appearanceReader_data();
    void appearanceReader();
    void settingsSection_data();
    void settingsSection();
    void ignoredApplicationsData_data();
    void ignoredApplicationsData();
    void launchAtLoginMirrorIsABoolean();
    void changesAreForwarded();
};

void TestPreferences::booleanRead_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("expected");

    QTest::newRow("missing") << QVariant() << false;
    QTest::newRow("true") << QVariant(true) << true;
    QTest::newRow("false") << QVariant(false) << false;
    QTest::newRow("integer 0") << integer(0) << false;
    QTest::newRow("integer 2") << integer(2) << true;
    QTest::newRow("integer -1") << integer(-1) << true;
    QTest::newRow("double 0") << QVariant(0.0) << false;
    QTest::newRow("double 0.5") << QVariant(0.5) << true;
    QTest::newRow("string YES") << text("YES") << true;
    QTest::newRow("string yes") << text("yes") << true;
    QTest::newRow("string true") << text("true") << true;
    QTest::newRow("string T") << text("T") << true;
    QTest::newRow("string 9") << text("9") << true;
    QTest::newRow("string with leading whitespace") << text(" \t\n y") << true;
    QTest::newRow("string with leading zeros") << text("001") << true;
    QTest::newRow("string negative") << text("-1") << true;
    QTest::newRow("string with plus and zeros") << text("+007") << true;
    QTest::newRow("string signed Y") << text("-Y") << true;
    QTest::newRow("string no") << text("no") << false;
    QTest::newRow("string false") << text("false") << false;
    QTest::newRow("string 0") << text("0") << false;
    QTest::newRow("string 00") << text("00") << false;
    QTest::newRow("string -0") << text("-0") << false;
    QTest::newRow("string 0x1") << text("0x1") << false;
    QTest::newRow("string two signs") << text("+-1") << false;
    QTest::newRow("string whitespace after sign") << text("- 1") << false;
    QTest::newRow("empty string") << text("") << false;
    QTest::newRow("string array") << QVariant(QStringList{QStringLiteral("YES")}) << false;
    QTest::newRow("data") << QVariant(QByteArray("1")) << false;
}

void TestPreferences::booleanRead()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, expected);
    MemoryDefaultsStore defaults;
    store(defaults, enableSoundFeedback, stored);
    Preferences preferences(&defaults);
    QCOMPARE(preferences.boolValue(enableSoundFeedback), expected);
}

void TestPreferences::integerRead_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("missing") << QVariant() << qint64(0);
    QTest::newRow("integer") << integer(42) << qint64(42);
    QTest::newRow("negative integer") << integer(-7) << qint64(-7);
    QTest::newRow("largest integer") << integer(Int64Max) << Int64Max;
    QTest::newRow("true") << QVariant(true) << qint64(1);
    QTest::newRow("false") << QVariant(false) << qint64(0);
    QTest::newRow("double truncated") << QVariant(3.9) << qint64(3);
    QTest::newRow("negative double truncated") << QVariant(-3.9) << qint64(-3);
    QTest::newRow("double too large") << QVariant(1e30) << Int64Max;
    QTest::newRow("double too small") << QVariant(-1e30) << Int64Min;
    QTest::newRow("double 2^63") << QVariant(9223372036854775808.0) << Int64Max;
    QTest::newRow("double NaN") << QVariant(std::nan("")) << qint64(0);
    QTest::newRow("double infinity") << QVariant(HUGE_VAL) << Int64Max;
    QTest::newRow("string") << text("42") << qint64(42);
    QTest::newRow("string with whitespace and trailing text") << text("  -17abc") << qint64(-17);
    QTest::newRow("string with plus") << text("+8") << qint64(8);
    QTest::newRow("string fraction") << text("3.7") << qint64(3);
    QTest::newRow("string exponent") << text("1e3") << qint64(1);
    QTest::newRow("string without digits") << text("abc") << qint64(0);
    QTest::newRow("string sign only") << text("-") << qint64(0);
    QTest::newRow("empty string") << text("") << qint64(0);
    QTest::newRow("string overflow") << text("99999999999999999999") << Int64Max;
    QTest::newRow("string underflow") << text("-99999999999999999999") << Int64Min;
    QTest::newRow("string smallest integer") << text("-9223372036854775808") << Int64Min;
    QTest::newRow("string largest integer") << text("9223372036854775807") << Int64Max;
    QTest::newRow("string array") << QVariant(QStringList{QStringLiteral("5")}) << qint64(0);
    QTest::newRow("data") << QVariant(QByteArray("5")) << qint64(0);
}

void TestPreferences::integerRead()
{
    QFETCH(QVariant, stored);
    QFETCH(qint64, expected);
    MemoryDefaultsStore defaults;
    store(defaults, maxHistoryCount, stored);
    Preferences preferences(&defaults);
    QCOMPARE(preferences.integerValue(maxHistoryCount), expected);
}

void TestPreferences::historyLimitReplacesCountsBelowOne_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<qint64>("expected");
    QTest::addColumn<bool>("writesBack");

    QTest::newRow("missing") << QVariant() << qint64(30) << true;
    QTest::newRow("zero") << integer(0) << qint64(30) << true;
    QTest::newRow("negative") << integer(-5) << qint64(30) << true;
    QTest::newRow("non-number string") << text("muitos") << qint64(30) << true;
    QTest::newRow("string array") << QVariant(QStringList{QStringLiteral("50")}) << qint64(30) << true;
    QTest::newRow("data") << QVariant(QByteArray("50")) << qint64(30) << true;
    QTest::newRow("fraction below one") << QVariant(0.5) << qint64(30) << true;
    QTest::newRow("false") << QVariant(false) << qint64(30) << true;
    QTest::newRow("integer") << integer(50) << qint64(50) << false;
    QTest::newRow("one") << integer(1) << qint64(1) << false;
    QTest::newRow("numeric string") << text("45") << qint64(45) << false;
    QTest::newRow("double") << QVariant(100.0) << qint64(100) << false;
    QTest::newRow("beyond 32 bits") << integer(Int64Max) << Int64Max << false;
}

void TestPreferences::historyLimitReplacesCountsBelowOne()
{
    QFETCH(QVariant, stored);
    QFETCH(qint64, expected);
    QFETCH(bool, writesBack);
    MemoryDefaultsStore defaults;
    store(defaults, maxHistoryCount, stored);
    const int writesBefore = defaults.writeCount();
    Preferences preferences(&defaults);

    QCOMPARE(preferences.maxHistoryCountForLimit(), expected);

    const QVariant after = defaults.object(maxHistoryCount);
    if (writesBack) {
        QCOMPARE(after.typeId(), int(QMetaType::LongLong));
        QCOMPARE(after.toLongLong(), qint64(30));
        QCOMPARE(defaults.writeCount(), writesBefore + 1);
        QCOMPARE(preferences.maxHistoryCount(), qint64(30));
    } else {
        QCOMPARE(after, stored);
        QCOMPARE(defaults.writeCount(), writesBefore);
    }
}

void TestPreferences::boundHistoryCount_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("missing") << QVariant() << qint64(30);
    QTest::newRow("integer") << integer(50) << qint64(50);
    QTest::newRow("stored zero stays visible") << integer(0) << qint64(0);
    QTest::newRow("numeric string") << text("50") << qint64(30);
    QTest::newRow("boolean") << QVariant(true) << qint64(30);
    QTest::newRow("data") << QVariant(QByteArray("50")) << qint64(30);
}

void TestPreferences::boundHistoryCount()
{
    QFETCH(QVariant, stored);
    QFETCH(qint64, expected);
    MemoryDefaultsStore defaults;
    store(defaults, maxHistoryCount, stored);
    Preferences preferences(&defaults);
    QCOMPARE(preferences.maxHistoryCount(), expected);

    preferences.setMaxHistoryCount(100);
    QCOMPARE(defaults.object(maxHistoryCount), QVariant(qint64(100)));
    QCOMPARE(preferences.maxHistoryCount(), qint64(100));
}

void TestPreferences::soundFeedbackReaders_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("copyBackPlaysSound");
    QTest::addColumn<bool>("settingsToggle");

    // An empty store shows the toggle on while copy-back stays silent.
    QTest::newRow("missing") << QVariant() << false << true;
    QTest::newRow("true") << QVariant(true) << true << true;
    QTest::newRow("false") << QVariant(false) << false << false;
    QTest::newRow("string YES") << text("YES") << true << true;
    QTest::newRow("string no") << text("no") << false << true;
    QTest::newRow("integer 1") << integer(1) << true << true;
    QTest::newRow("integer 0") << integer(0) << false << true;
}

void TestPreferences::soundFeedbackReaders()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, copyBackPlaysSound);
    QFETCH(bool, settingsToggle);
    MemoryDefaultsStore defaults;
    store(defaults, enableSoundFeedback, stored);
    Preferences preferences(&defaults);
    QCOMPARE(preferences.soundFeedbackForCopyBack(), copyBackPlaysSound);
    QCOMPARE(preferences.soundFeedbackEnabled(), settingsToggle);
}

void TestPreferences::captureSwitches_data()
{
    QTest::addColumn<CaptureKind>("kind");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("expected");

    const struct {
        CaptureKind kind;
        QString key;
        const char *name;
    } kinds[] = {{CaptureKind::Text, enableCaptureText, "text"},
                 {CaptureKind::Image, enableCaptureImage, "image"},
                 {CaptureKind::Table, enableCaptureTable, "table"},
                 {CaptureKind::File, enableCaptureFile, "file"}};
    for (const auto &kind : kinds) {
        const auto row = [&](const char *what) -> QTestData & {
            return QTest::addRow("%s, %s", kind.name, what) << kind.kind << kind.key;
        };
        row("missing") << QVariant() << true;
        row("true") << QVariant(true) << true;
        row("false") << QVariant(false) << false;
        row("string false") << text("false") << true;
        row("integer 0") << integer(0) << true;
        row("data") << QVariant(QByteArray()) << true;
    }
}

void TestPreferences::captureSwitches()
{
    QFETCH(CaptureKind, kind);
    QFETCH(QString, key);
    QFETCH(QVariant, stored);
    QFETCH(bool, expected);
    MemoryDefaultsStore defaults;
    store(defaults, key, stored);
    Preferences preferences(&defaults);
    QCOMPARE(Preferences::captureKey(kind), key);
    QCOMPARE(preferences.isCaptureEnabled(kind), expected);

    preferences.setCaptureEnabled(kind, !expected);
    QCOMPARE(defaults.object(key), QVariant(!expected));
    QCOMPARE(preferences.isCaptureEnabled(kind), !expected);
}

void TestPreferences::captureSwitchesUseTheirOwnKeys()
{
    MemoryDefaultsStore defaults;
    Preferences preferences(&defaults);
    preferences.setCaptureEnabled(CaptureKind::Image, false);
    QVERIFY(preferences.isCaptureEnabled(CaptureKind::Text));
    QVERIFY(!preferences.isCaptureEnabled(CaptureKind::Image));
    QVERIFY(preferences.isCaptureEnabled(CaptureKind::Table));
    QVERIFY(preferences.isCaptureEnabled(CaptureKind::File));
    QCOMPARE(defaults.keys(), QStringList{QStringLiteral("enableCaptureImage")});
}

void TestPreferences::globalShortcutEnabledReaders_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("expected");

    // Only a stored boolean false turns the hot key off.
    QTest::newRow("missing") << QVariant() << true;
    QTest::newRow("true") << QVariant(true) << true;
    QTest::newRow("false") << QVariant(false) << false;
    QTest::newRow("string false") << text("false") << true;
    QTest::newRow("string NO") << text("NO") << true;
    QTest::newRow("integer 0") << integer(0) << true;
    QTest::newRow("double 0") << QVariant(0.0) << true;
}

void TestPreferences::globalShortcutEnabledReaders()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, expected);
    MemoryDefaultsStore defaults;
    store(defaults, globalShortcutEnabled, stored);
    Preferences preferences(&defaults);
    QCOMPARE(preferences.globalShortcutEnabledForHotKey(), expected);
    QCOMPARE(preferences.globalShortcutEnabled(), expected);
}

void TestPreferences::presetReader_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("expected");

    QTest::newRow("missing") << QVariant() << QStringLiteral("cmd_shift_v");
    QTest::newRow("stored preset") << text("ctrl_option_v") << QStringLiteral("ctrl_option_v");
    QTest::newRow("integer") << integer(2) << QStringLiteral("cmd_shift_v");
    QTest::newRow("string array") << QVariant(QStringList{QStringLiteral("cmd_shift_h")})
                                  << QStringLiteral("cmd_shift_v");
}

void TestPreferences::presetReader()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, expected);
    MemoryDefaultsStore defaults;
    store(defaults, globalShortcutPreset, stored);
    Preferences preferences(&defaults);
    QCOMPARE(preferences.globalShortcutPreset(), expected);

    preferences.setGlobalShortcutPreset(QStringLiteral("cmd_option_v"));
    QCOMPARE(defaults.object(globalShortcutPreset), text("cmd_option_v"));
}

void TestPreferences::hotKeyNumbers_data()
{
    QTest::addColumn<QVariant>("storedKeyCode");
    QTest::addColumn<QVariant>("storedModifiers");
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("modifiers");

    constexpr quint32 Largest = std::numeric_limits<quint32>::max();
    QTest::newRow("missing") << QVariant() << QVariant() << 9u << 768u;
    QTest::newRow("zero") << integer(0) << integer(0) << 9u << 768u;
    QTest::newRow("preset H") << integer(4) << integer(768) << 4u << 768u;
    QTest::newRow("preset control option") << integer(9) << integer(6144) << 9u << 6144u;
    QTest::newRow("whole doubles") << QVariant(4.0) << QVariant(2304.0) << 4u << 2304u;
    QTest::newRow("fractional doubles") << QVariant(4.5) << QVariant(2304.5) << 9u << 768u;
    QTest::newRow("negative") << integer(-1) << integer(-768) << 9u << 768u;
    QTest::newRow("largest 32-bit") << integer(Largest) << integer(Largest) << Largest << Largest;
    QTest::newRow("beyond 32 bits") << integer(qint64(Largest) + 1) << integer(qint64(Largest) + 4)
                                    << 9u << 768u;
    QTest::newRow("numeric strings") << text("4") << text("2304") << 9u << 768u;
    QTest::newRow("booleans") << QVariant(true) << QVariant(true) << 9u << 768u;
    QTest::newRow("NaN") << QVariant(std::nan("")) << QVariant(std::nan("")) << 9u << 768u;
}

void TestPreferences::hotKeyNumbers()
{
    QFETCH(QVariant, storedKeyCode);
    QFETCH(QVariant, storedModifiers);
    QFETCH(quint32, keyCode);
    QFETCH(quint32, modifiers);
    MemoryDefaultsStore defaults;
    store(defaults, globalShortcutKeyCode, storedKeyCode);
    store(defaults, globalShortcutModifiers, storedModifiers);
    Preferences preferences(&defaults);
    QCOMPARE(preferences.globalShortcutKeyCode(), keyCode);
    QCOMPARE(preferences.globalShortcutModifiers(), modifiers);
}

void TestPreferences::hotKeySettersStoreIntegers()
{
    MemoryDefaultsStore defaults;
    Preferences preferences(&defaults);
    preferences.setGlobalShortcutKeyCode(4);
    preferences.setGlobalShortcutModifiers(6144);
    QCOMPARE(defaults.object(globalShortcutKeyCode), QVariant(qint64(4)));
    QCOMPARE(defaults.object(globalShortcutModifiers), QVariant(qint64(6144)));
    QCOMPARE(preferences.globalShortcutKeyCode(), 4u);
    QCOMPARE(preferences.globalShortcutModifiers(), 6144u);
}

void TestPreferences::languageReader_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("expected");

    QTest::newRow("missing") << QVariant() << QStringLiteral("system");
    QTest::newRow("code") << text("ja") << QStringLiteral("ja");
    QTest::newRow("empty string is a stored string") << text("") << QString();
    QTest::newRow("integer") << integer(5) << QStringLiteral("system");
    QTest::newRow("string array") << QVariant(QStringList{QStringLiteral("ja")}) << QStringLiteral("system");
}

void TestPreferences::languageReader()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, expected);
    MemoryDefaultsStore defaults;
    store(defaults, selectedLanguage, stored);
    Preferences preferences(&defaults);
    QCOMPARE(preferences.selectedLanguage(), expected);

    preferences.setSelectedLanguage(QStringLiteral("es"));
    QCOMPARE(defaults.object(selectedLanguage), text("es"));
}

void TestPreferences::localeForWindows_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QLocale>("expected");

    QTest::newRow("missing") << QVariant() << QLocale::system();
    QTest::newRow("empty") << text("") << QLocale::system();
    QTest::newRow("system") << text("system") << QLocale::system();
    QTest::newRow("not a string") << integer(1) << QLocale::system();
    QTest::newRow("ja") << text("ja") << QLocale(QLocale::Japanese, QLocale::Japan);
    QTest::newRow("pt-BR") << text("pt-BR") << QLocale(QLocale::Portuguese, QLocale::Brazil);
}

void TestPreferences::localeForWindows()
{
    QFETCH(QVariant, stored);
    QFETCH(QLocale, expected);
    MemoryDefaultsStore defaults;
    store(defaults, selectedLanguage, stored);
    Preferences preferences(&defaults);
    QCOMPARE(preferences.localeForWindows(), expected);
}

void TestPreferences::appleLanguagesSetAndRemove()
{
    MemoryDefaultsStore defaults;
    Preferences preferences(&defaults);
    preferences.setAppleLanguages({QStringLiteral("ja")});
    QCOMPARE(defaults.object(appleLanguages).typeId(), int(QMetaType::QStringList));
    QCOMPARE(preferences.appleLanguages(), QStringList{QStringLiteral("ja")});

    preferences.removeAppleLanguages();
    QVERIFY(!defaults.contains(appleLanguages));
    QVERIFY(preferences.appleLanguages().isEmpty());

    defaults.set(appleLanguages, text("ja"));
    QVERIFY(preferences.appleLanguages().isEmpty());
}

void TestPreferences::appearanceReader_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("expected");

    QTest::newRow("missing") << QVariant() << QStringLiteral("system");
    QTest::newRow("dark") << text("dark") << QStringLiteral("dark");
    QTest::newRow("light") << text("light") << QStringLiteral("light");
    QTest::newRow("boolean") << QVariant(true) << QStringLiteral("system");
}

void TestPreferences::appearanceReader()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, expected);
    MemoryDefaultsStore defaults;
    store(defaults, selectedAppearance, stored);
    Preferences preferences(&defaults);
    QCOMPARE(preferences.selectedAppearance(), expected);
}

void TestPreferences::settingsSection_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("expected");

    QTest::newRow("missing") << QVariant() << QStringLiteral("Geral");
    QTest::newRow("Geral") << text("Geral") << QStringLiteral("Geral");
    QTest::newRow("Aplicativos") << text("Aplicativos") << QStringLiteral("Aplicativos");
    QTest::newRow("Atalhos") << text("Atalhos") << QStringLiteral("Atalhos");
    QTest::newRow("Sobre") << text("Sobre") << QStringLiteral("Sobre");
    QTest::newRow("unknown section") << text("Avançado") << QStringLiteral("Geral");
    QTest::newRow("other letter case") << text("sobre") << QStringLiteral("Geral");
    QTest::newRow("integer") << integer(3) << QStringLiteral("Geral");
}

void TestPreferences::settingsSection()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, expected);
    MemoryDefaultsStore defaults;
    store(defaults, settingsSelectedSection, stored);
    const int writesBefore = defaults.writeCount();
    Preferences preferences(&defaults);

    QCOMPARE(preferences.settingsSelectedSection(), expected);
    // Reading never replaces what is stored, unknown values included.
    QCOMPARE(defaults.object(settingsSelectedSection), stored);
    QCOMPARE(defaults.writeCount(), writesBefore);

    preferences.setSettingsSelectedSection(QStringLiteral("Atalhos"));
    QCOMPARE(preferences.settingsSelectedSection(), QStringLiteral("Atalhos"));
}

void TestPreferences::ignoredApplicationsData_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("present");

    QTest::newRow("missing") << QVariant() << false;
    QTest::newRow("data") << QVariant(QByteArray("[{\"bundleIdentifier\":\"x\",\"name\":\"X\"}]")) << true;
    QTest::newRow("empty data") << QVariant(QByteArray()) << true;
    QTest::newRow("the same JSON as a string") << text("[]") << false;
    QTest::newRow("string array") << QVariant(QStringList()) << false;
}

void TestPreferences::ignoredApplicationsData()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, present);
    MemoryDefaultsStore defaults;
    store(defaults, ignoredApplications, stored);
    Preferences preferences(&defaults);

    const std::optional<QByteArray> data = preferences.ignoredApplicationsData();
    QCOMPARE(data.has_value(), present);
    if (present)
        QCOMPARE(*data, stored.toByteArray());

    const QByteArray written("[]");
    preferences.setIgnoredApplicationsData(written);
    QCOMPARE(defaults.object(QStringLiteral("Kavla_IgnoredApplications")), QVariant(written));
}

void TestPreferences::launchAtLoginMirrorIsABoolean()
{
    MemoryDefaultsStore defaults;
    Preferences preferences(&defaults);
    preferences.setLaunchAtLogin(true);
    QCOMPARE(defaults.object(QStringLiteral("launchAtLogin")), QVariant(true));
    preferences.setLaunchAtLogin(false);
    QCOMPARE(defaults.object(QStringLiteral("launchAtLogin")), QVariant(false));
}

void TestPreferences::changesAreForwarded()
{
    MemoryDefaultsStore defaults;
    Preferences preferences(&defaults);
    QSignalSpy spy(&preferences, &Preferences::valueChanged);

    defaults.set(maxHistoryCount, 50);
    preferences.setSoundFeedbackEnabled(false);
    preferences.setSoundFeedbackEnabled(false);
    preferences.removeAppleLanguages();

    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toString(), maxHistoryCount);
    QCOMPARE(spy.at(1).at(0).toString(), enableSoundFeedback);
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "tst_preferences.moc"
