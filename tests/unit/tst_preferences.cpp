#include "fakes/MemoryDefaultsStore.h"
#include "services/Preferences.h"

#include <QMetaMethod>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

using namespace PreferenceKeys;

namespace {
constexpr qint64 Int64Max = std::numeric_limits<qint64>::max();
constexpr qint64 Int64Min = std::numeric_limits<qint64>::min();
constexpr quint32 UInt32Max = std::numeric_limits<quint32>::max();

QVariant text(const char *value)
{
    return QVariant(QString::fromUtf8(value));
}

// An invalid QVariant leaves the key missing.
void store(MemoryDefaultsStore &defaults, const QString &key, const QVariant &value)
{
    if (value.isValid())
        defaults.set(key, value);
}

// What each named reader answers, as a QVariant of its own type (an absent optional is invalid).
QVariant read(const Preferences &p, const QString &reader)
{
    static const QHash<QString, std::function<QVariant(const Preferences &)>> readers{
        {u"soundForCopyBack"_qs, [](const Preferences &p) { return QVariant(p.soundFeedbackForCopyBack()); }},
        {u"soundToggle"_qs, [](const Preferences &p) { return QVariant(p.soundFeedbackEnabled()); }},
        {u"captureText"_qs, [](const Preferences &p) { return QVariant(p.isCaptureEnabled(CaptureKind::Text)); }},
        {u"captureImage"_qs, [](const Preferences &p) { return QVariant(p.isCaptureEnabled(CaptureKind::Image)); }},
        {u"captureTable"_qs, [](const Preferences &p) { return QVariant(p.isCaptureEnabled(CaptureKind::Table)); }},
        {u"captureFile"_qs, [](const Preferences &p) { return QVariant(p.isCaptureEnabled(CaptureKind::File)); }},
        {u"hotKeyEnabled"_qs, [](const Preferences &p) { return QVariant(p.globalShortcutEnabledForHotKey()); }},
        {u"shortcutToggle"_qs, [](const Preferences &p) { return QVariant(p.globalShortcutEnabled()); }},
        {u"preset"_qs, [](const Preferences &p) { return QVariant(p.globalShortcutPreset()); }},
        {u"keyCode"_qs, [](const Preferences &p) { return QVariant(p.globalShortcutKeyCode()); }},
        {u"modifiers"_qs, [](const Preferences &p) { return QVariant(p.globalShortcutModifiers()); }},
        {u"language"_qs, [](const Preferences &p) { return QVariant(p.selectedLanguage()); }},
        {u"windowLocale"_qs, [](const Preferences &p) { return QVariant(p.localeForWindows().name()); }},
        {u"appleLanguages"_qs, [](const Preferences &p) { return QVariant(p.appleLanguages()); }},
        {u"appearance"_qs, [](const Preferences &p) { return QVariant(p.selectedAppearance()); }},
        {u"section"_qs, [](const Preferences &p) { return QVariant(p.settingsSelectedSection()); }},
        {u"historyCount"_qs, [](const Preferences &p) { return QVariant(p.maxHistoryCount()); }},
        {u"keepClipboard"_qs, [](const Preferences &p) { return QVariant(p.keepClipboardAfterOwnerQuits()); }},
        {u"pasteAfterChoosing"_qs, [](const Preferences &p) { return QVariant(p.pasteAfterChoosing()); }},
        {u"forgetClearedSecrets"_qs, [](const Preferences &p) { return QVariant(p.forgetClearedSecrets()); }},
        {u"ignoredApps"_qs, [](const Preferences &p) {
             const auto data = p.ignoredApplicationsData();
             return data ? QVariant(*data) : QVariant();
         }},
    };
    return readers.value(reader)(p);
}
} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The boolean and integer reads of every kind of stored value, and the history limit built on the
    // latter: a value of another type is ignored, so a boolean true is never a capacity of 1.
    void coercions_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("asBool");
        QTest::addColumn<qint64>("asInteger");

        QTest::newRow("missing") << QVariant() << false << qint64(0);
        QTest::newRow("true") << QVariant(true) << true << qint64(0);
        QTest::newRow("false") << QVariant(false) << false << qint64(0);
        QTest::newRow("integer 1") << QVariant(qint64(1)) << false << qint64(1);
        QTest::newRow("integer -1") << QVariant(qint64(-1)) << false << qint64(-1);
        QTest::newRow("largest integer") << QVariant(Int64Max) << false << Int64Max;
        QTest::newRow("double -3.9 truncated") << QVariant(-3.9) << false << qint64(-3);
        QTest::newRow("double 50.0") << QVariant(50.0) << false << qint64(50);
        QTest::newRow("double 1e30") << QVariant(1e30) << false << Int64Max;
        QTest::newRow("double -1e30") << QVariant(-1e30) << false << Int64Min;
        QTest::newRow("double 2^63") << QVariant(9223372036854775808.0) << false << Int64Max;
        QTest::newRow("NaN") << QVariant(std::nan("")) << false << qint64(0);
        QTest::newRow("YES") << text("YES") << false << qint64(0);
        QTest::newRow("numeric string") << text("50") << false << qint64(0);
        QTest::newRow("string array") << QVariant(QStringList{u"1"_qs}) << false << qint64(0);
        QTest::newRow("data") << QVariant(QByteArray("1")) << false << qint64(0);
    }

    void coercions()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, asBool);
        QFETCH(qint64, asInteger);
        MemoryDefaultsStore defaults;
        store(defaults, maxHistoryCount, stored);
        const int writesBefore = defaults.writeCount();
        Preferences preferences(&defaults);
        QCOMPARE(preferences.boolValue(maxHistoryCount), asBool);
        QCOMPARE(preferences.integerValue(maxHistoryCount), asInteger);
        QCOMPARE(defaults.writeCount(), writesBefore);

        // The history limit is the integer read, with anything below 1 replaced by 30 and written back.
        const bool replaced = asInteger < 1;
        QCOMPARE(preferences.maxHistoryCountForLimit(), replaced ? qint64(30) : asInteger);
        QCOMPARE(defaults.object(maxHistoryCount), replaced ? QVariant(qint64(30)) : stored);
        QCOMPARE(defaults.writeCount(), writesBefore + (replaced ? 1 : 0));
    }

    void readerFallbacks_data()
    {
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("expected");

        const auto row = [](const char *reader, const QString &key, const char *what) -> QTestData & {
            return QTest::addRow("%s, %s", reader, what) << QString::fromLatin1(reader) << key;
        };
        const QVariant yes(true), no(false);

        row("historyCount", maxHistoryCount, "missing") << QVariant() << QVariant(qint64(30));
        row("historyCount", maxHistoryCount, "stored zero stays visible") << QVariant(qint64(0)) << QVariant(qint64(0));
        row("historyCount", maxHistoryCount, "numeric string") << text("50") << QVariant(qint64(30));
        row("historyCount", maxHistoryCount, "boolean") << yes << QVariant(qint64(30));

        // The copy-back is silent on an empty store while the settings toggle shows on.
        row("soundForCopyBack", enableSoundFeedback, "missing") << QVariant() << no;
        row("soundForCopyBack", enableSoundFeedback, "true") << yes << yes;
        row("soundForCopyBack", enableSoundFeedback, "string YES") << text("YES") << no;
        row("soundForCopyBack", enableSoundFeedback, "integer 1") << QVariant(qint64(1)) << no;
        row("soundToggle", enableSoundFeedback, "missing") << QVariant() << yes;
        row("soundToggle", enableSoundFeedback, "false") << no << no;
        row("soundToggle", enableSoundFeedback, "string no") << text("no") << yes;

        const QList<std::pair<const char *, QString>> captures{{"captureText", enableCaptureText},
                                                               {"captureImage", enableCaptureImage},
                                                               {"captureTable", enableCaptureTable},
                                                               {"captureFile", enableCaptureFile}};
        for (const auto &[reader, key] : captures) {
            row(reader, key, "missing") << QVariant() << yes;
            row(reader, key, "false") << no << no;
            row(reader, key, "integer 0") << QVariant(qint64(0)) << yes;
        }

        // Only a stored boolean false turns the hot key off; both readers agree.
        for (const char *reader : {"hotKeyEnabled", "shortcutToggle"}) {
            row(reader, globalShortcutEnabled, "missing") << QVariant() << yes;
            row(reader, globalShortcutEnabled, "false") << no << no;
            row(reader, globalShortcutEnabled, "string false") << text("false") << yes;
            row(reader, globalShortcutEnabled, "integer 0") << QVariant(qint64(0)) << yes;
        }

        row("preset", globalShortcutPreset, "missing") << QVariant() << text("cmd_shift_v");
        row("preset", globalShortcutPreset, "stored") << text("ctrl_option_v") << text("ctrl_option_v");
        row("preset", globalShortcutPreset, "integer") << QVariant(qint64(2)) << text("cmd_shift_v");

        const QList<std::tuple<const char *, QString, quint32>> numbers{
            {"keyCode", globalShortcutKeyCode, 9u}, {"modifiers", globalShortcutModifiers, 768u}};
        for (const auto &[reader, key, fallback] : numbers) {
            row(reader, key, "missing") << QVariant() << QVariant(fallback);
            row(reader, key, "zero") << QVariant(qint64(0)) << QVariant(fallback);
            row(reader, key, "stored") << QVariant(qint64(6144)) << QVariant(6144u);
            row(reader, key, "whole double") << QVariant(2304.0) << QVariant(2304u);
            row(reader, key, "fractional double") << QVariant(4.5) << QVariant(fallback);
            row(reader, key, "negative") << QVariant(qint64(-1)) << QVariant(fallback);
            row(reader, key, "largest 32-bit") << QVariant(qint64(UInt32Max)) << QVariant(UInt32Max);
            row(reader, key, "beyond 32 bits") << QVariant(qint64(UInt32Max) + 4) << QVariant(fallback);
            row(reader, key, "numeric string") << text("4") << QVariant(fallback);
            row(reader, key, "boolean") << yes << QVariant(fallback);
        }

        row("language", selectedLanguage, "missing") << QVariant() << text("system");
        row("language", selectedLanguage, "code") << text("ja") << text("ja");
        row("language", selectedLanguage, "empty string") << text("") << text("");
        row("language", selectedLanguage, "string array") << QVariant(QStringList{u"ja"_qs}) << text("system");
        const QVariant systemLocale(QLocale::system().name());
        row("windowLocale", selectedLanguage, "missing") << QVariant() << systemLocale;
        row("windowLocale", selectedLanguage, "empty") << text("") << systemLocale;
        row("windowLocale", selectedLanguage, "system") << text("system") << systemLocale;
        row("windowLocale", selectedLanguage, "integer") << QVariant(qint64(1)) << systemLocale;
        row("windowLocale", selectedLanguage, "pt-BR") << text("pt-BR") << text("pt_BR");
        row("appleLanguages", appleLanguages, "missing") << QVariant() << QVariant(QStringList());
        row("appleLanguages", appleLanguages, "list") << QVariant(QStringList{u"ja"_qs}) << QVariant(QStringList{u"ja"_qs});
        row("appleLanguages", appleLanguages, "string") << text("ja") << QVariant(QStringList());

        row("appearance", selectedAppearance, "missing") << QVariant() << text("system");
        row("appearance", selectedAppearance, "dark") << text("dark") << text("dark");
        row("appearance", selectedAppearance, "boolean") << yes << text("system");

        // An unknown section reads as Geral but stays stored (the body checks nothing is written).
        row("section", settingsSelectedSection, "missing") << QVariant() << text("Geral");
        row("section", settingsSelectedSection, "Sobre") << text("Sobre") << text("Sobre");
        row("section", settingsSelectedSection, "unknown") << text("Avançado") << text("Geral");
        row("section", settingsSelectedSection, "other letter case") << text("sobre") << text("Geral");
        row("section", settingsSelectedSection, "integer") << QVariant(qint64(3)) << text("Geral");

        const QByteArray json("[{\"bundleIdentifier\":\"x\",\"name\":\"X\"}]");
        row("keepClipboard", keepClipboardAfterOwnerQuits, "missing") << QVariant() << yes;
        row("keepClipboard", keepClipboardAfterOwnerQuits, "false") << no << no;
        row("keepClipboard", keepClipboardAfterOwnerQuits, "integer 0") << QVariant(qint64(0)) << yes;
        row("keepClipboard", keepClipboardAfterOwnerQuits, "string NO") << text("NO") << yes;
        row("pasteAfterChoosing", pasteAfterChoosing, "missing") << QVariant() << no;
        row("pasteAfterChoosing", pasteAfterChoosing, "true") << yes << yes;
        row("pasteAfterChoosing", pasteAfterChoosing, "integer 1") << QVariant(qint64(1)) << no;
        row("pasteAfterChoosing", pasteAfterChoosing, "string YES") << text("YES") << no;
        row("forgetClearedSecrets", forgetClearedSecrets, "missing") << QVariant() << yes;
        row("forgetClearedSecrets", forgetClearedSecrets, "false") << no << no;
        row("forgetClearedSecrets", forgetClearedSecrets, "integer 0") << QVariant(qint64(0)) << yes;

        row("ignoredApps", ignoredApplications, "missing") << QVariant() << QVariant();
        row("ignoredApps", ignoredApplications, "data") << QVariant(json) << QVariant(json);
        row("ignoredApps", ignoredApplications, "empty data") << QVariant(QByteArray()) << QVariant(QByteArray());
        row("ignoredApps", ignoredApplications, "the JSON as a string") << text("[]") << QVariant();
    }

    void readerFallbacks()
    {
        QFETCH(QString, reader);
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, expected);
        MemoryDefaultsStore defaults;
        store(defaults, key, stored);
        const int writesBefore = defaults.writeCount();
        Preferences preferences(&defaults);

        const QVariant actual = read(preferences, reader);
        QCOMPARE(actual.metaType(), expected.metaType());
        QCOMPARE(actual, expected);
        // Reading never replaces what is stored.
        QCOMPARE(defaults.writeCount(), writesBefore);
        QCOMPARE(defaults.object(key), stored);
    }

    // Each writer stores its key, by its exact name, as a value of the stored type; a change to the
    // key by anyone sharing the store fires that key's signal and no other.
    void eachKeyIsStoredTypedAndFiresItsOwnSignal_data()
    {
        QTest::addColumn<std::function<void(Preferences &)>>("write");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QByteArray>("signal"); // empty: the key is no preference and fires nothing

        using Write = std::function<void(Preferences &)>;
        const auto row = [](const char *key, const QVariant &stored, const char *signal, const Write &write) {
            QTest::newRow(key) << write << QString::fromLatin1(key) << stored << QByteArray(signal);
        };
        row("maxHistoryCount", qint64(100), "maxHistoryCountChanged", [](Preferences &p) { p.setMaxHistoryCount(100); });
        row("enableSoundFeedback", false, "soundFeedbackChanged", [](Preferences &p) { p.setSoundFeedbackEnabled(false); });
        const std::pair<const char *, CaptureKind> captures[] = {{"enableCaptureText", CaptureKind::Text},
                                                                 {"enableCaptureImage", CaptureKind::Image},
                                                                 {"enableCaptureTable", CaptureKind::Table},
                                                                 {"enableCaptureFile", CaptureKind::File}};
        for (const auto &[key, kind] : captures)
            row(key, false, "captureKindsChanged", [kind](Preferences &p) { p.setCaptureEnabled(kind, false); });
        row("globalShortcutEnabled", false, "globalShortcutChanged", [](Preferences &p) { p.setGlobalShortcutEnabled(false); });
        row("globalShortcutPreset", text("cmd_option_v"), "globalShortcutChanged",
            [](Preferences &p) { p.setGlobalShortcutPreset(u"cmd_option_v"_qs); });
        row("globalShortcutKeyCode", qint64(4), "globalShortcutChanged", [](Preferences &p) { p.setGlobalShortcutKeyCode(4); });
        row("globalShortcutModifiers", qint64(6144), "globalShortcutChanged",
            [](Preferences &p) { p.setGlobalShortcutModifiers(6144); });
        row("selectedLanguage", text("es"), "languageChanged", [](Preferences &p) { p.setSelectedLanguage(u"es"_qs); });
        row("AppleLanguages", QStringList{u"ja"_qs}, "languageChanged", [](Preferences &p) { p.setAppleLanguages({u"ja"_qs}); });
        row("selectedAppearance", text("dark"), "appearanceChanged", [](Preferences &p) { p.setSelectedAppearance(u"dark"_qs); });
        row("settingsSelectedSection", text("Atalhos"), "settingsSectionChanged",
            [](Preferences &p) { p.setSettingsSelectedSection(u"Atalhos"_qs); });
        row("launchAtLogin", true, "launchAtLoginChanged", [](Preferences &p) { p.setLaunchAtLogin(true); });
        row("Kavla_IgnoredApplications", QByteArray("[]"), "ignoredApplicationsChanged",
            [](Preferences &p) { p.setIgnoredApplicationsData("[]"); });
        row("keepClipboardAfterOwnerQuits", false, "keepClipboardAfterOwnerQuitsChanged",
            [](Preferences &p) { p.setKeepClipboardAfterOwnerQuits(false); });
        row("pasteAfterChoosing", true, "pasteAfterChoosingChanged", [](Preferences &p) { p.setPasteAfterChoosing(true); });
        row("forgetClearedSecrets", false, "forgetClearedSecretsChanged",
            [](Preferences &p) { p.setForgetClearedSecrets(false); });
        row("someOtherKey", true, "", [](Preferences &p) { p.store()->set(u"someOtherKey"_qs, true); });
        // Names are matched exactly.
        row("maxhistorycount", qint64(50), "", [](Preferences &p) { p.store()->set(u"maxhistorycount"_qs, 50); });
    }

    void eachKeyIsStoredTypedAndFiresItsOwnSignal()
    {
        QFETCH(std::function<void(Preferences &)>, write);
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QByteArray, signal);
        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);

        // A spy on every signal Preferences declares, so a stray one is caught too.
        const QMetaObject &meta = Preferences::staticMetaObject;
        QList<QByteArray> names;
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (int index = meta.methodOffset(); index < meta.methodCount(); ++index) {
            const QMetaMethod method = meta.method(index);
            if (method.methodType() == QMetaMethod::Signal) {
                names.append(method.name());
                spies.push_back(std::make_unique<QSignalSpy>(&preferences, method));
            }
        }
        QVERIFY2(signal.isEmpty() || names.contains(signal), signal.constData());
        const auto counts = [&] {
            QList<QByteArray> result;
            for (std::size_t index = 0; index < spies.size(); ++index)
                result.append(names.at(qsizetype(index)) + ": " + QByteArray::number(spies[index]->count()));
            return result;
        };
        const auto only = [&](int count) {
            QList<QByteArray> result;
            for (const QByteArray &name : std::as_const(names))
                result.append(name + ": " + QByteArray::number(name == signal ? count : 0));
            return result;
        };

        write(preferences);
        QCOMPARE(defaults.keys(), QStringList{key});
        QCOMPARE(defaults.object(key).metaType(), stored.metaType());
        QCOMPARE(defaults.object(key), stored);
        QCOMPARE(counts(), only(1));
        defaults.set(key, stored); // the same value again: the store stays silent
        QCOMPARE(counts(), only(1));
        defaults.remove(key); // another user of the store removes it, then writes it back
        QCOMPARE(counts(), only(2));
        defaults.set(key, stored);
        QCOMPARE(counts(), only(3));
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "tst_preferences.moc"
