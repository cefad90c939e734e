#include "fakes/MemoryDefaultsStore.h"
#include "services/Preferences.h"

#include <QTest>

#include <cmath>
#include <limits>

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
        {u"hotKeyEnabled"_qs, [](const Preferences &p) { return QVariant(p.globalShortcutEnabledForHotKey()); }},
        {u"preset"_qs, [](const Preferences &p) { return QVariant(p.globalShortcutPreset()); }},
        {u"keyCode"_qs, [](const Preferences &p) { return QVariant(p.globalShortcutKeyCode()); }},
        {u"modifiers"_qs, [](const Preferences &p) { return QVariant(p.globalShortcutModifiers()); }},
        {u"language"_qs, [](const Preferences &p) { return QVariant(p.selectedLanguage()); }},
        {u"windowLocale"_qs, [](const Preferences &p) { return QVariant(p.localeForWindows().name()); }},
        {u"appearance"_qs, [](const Preferences &p) { return QVariant(p.selectedAppearance()); }},
        {u"section"_qs, [](const Preferences &p) { return QVariant(p.settingsSelectedSection()); }},
        {u"historyCount"_qs, [](const Preferences &p) { return QVariant(p.maxHistoryCount()); }},
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
        QTest::newRow("integer 1") << QVariant(qint64(1)) << false << qint64(1);
        QTest::newRow("integer -1") << QVariant(qint64(-1)) << false << qint64(-1);
        QTest::newRow("largest integer") << QVariant(Int64Max) << false << Int64Max;
        QTest::newRow("double -3.9 truncated") << QVariant(-3.9) << false << qint64(-3);
        QTest::newRow("double 50.0") << QVariant(50.0) << false << qint64(50);
        QTest::newRow("double -1e30") << QVariant(-1e30) << false << Int64Min;
        QTest::newRow("double 2^63") << QVariant(9223372036854775808.0) << false << Int64Max;
        QTest::newRow("NaN") << QVariant(std::nan("")) << false << qint64(0);
        QTest::newRow("numeric string") << text("50") << false << qint64(0);
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

        // What an empty store reads as is what the Settings window opens with; these rows are the
        // stored values of another type, and the boundaries of what is accepted.
        row("historyCount", maxHistoryCount, "stored zero stays visible") << QVariant(qint64(0)) << QVariant(qint64(0));
        row("historyCount", maxHistoryCount, "numeric string") << text("50") << QVariant(qint64(30));
        row("historyCount", maxHistoryCount, "boolean") << yes << QVariant(qint64(30));

        // The copy-back is silent on an empty store while the settings toggle shows on.
        row("soundForCopyBack", enableSoundFeedback, "missing") << QVariant() << no;
        row("soundForCopyBack", enableSoundFeedback, "true") << yes << yes;
        row("soundForCopyBack", enableSoundFeedback, "string YES") << text("YES") << no;
        row("soundForCopyBack", enableSoundFeedback, "integer 1") << QVariant(qint64(1)) << no;
        row("soundToggle", enableSoundFeedback, "false") << no << no;
        row("soundToggle", enableSoundFeedback, "string no") << text("no") << yes;

        // Only a stored boolean false turns the hot key off.
        row("hotKeyEnabled", globalShortcutEnabled, "false") << no << no;
        row("hotKeyEnabled", globalShortcutEnabled, "string false") << text("false") << yes;
        row("hotKeyEnabled", globalShortcutEnabled, "integer 0") << QVariant(qint64(0)) << yes;

        row("preset", globalShortcutPreset, "stored") << text("ctrl_option_v") << text("ctrl_option_v");
        row("preset", globalShortcutPreset, "integer") << QVariant(qint64(2)) << text("cmd_shift_v");

        row("keyCode", globalShortcutKeyCode, "missing") << QVariant() << QVariant(9u);
        row("keyCode", globalShortcutKeyCode, "zero") << QVariant(qint64(0)) << QVariant(9u);
        row("keyCode", globalShortcutKeyCode, "stored") << QVariant(qint64(6144)) << QVariant(6144u);
        row("keyCode", globalShortcutKeyCode, "whole double") << QVariant(2304.0) << QVariant(2304u);
        row("keyCode", globalShortcutKeyCode, "fractional double") << QVariant(4.5) << QVariant(9u);
        row("keyCode", globalShortcutKeyCode, "negative") << QVariant(qint64(-1)) << QVariant(9u);
        row("keyCode", globalShortcutKeyCode, "largest 32-bit") << QVariant(qint64(UInt32Max)) << QVariant(UInt32Max);
        row("keyCode", globalShortcutKeyCode, "beyond 32 bits") << QVariant(qint64(UInt32Max) + 4) << QVariant(9u);
        row("keyCode", globalShortcutKeyCode, "numeric string") << text("4") << QVariant(9u);
        row("keyCode", globalShortcutKeyCode, "boolean") << yes << QVariant(9u);
        row("modifiers", globalShortcutModifiers, "missing") << QVariant() << QVariant(768u);
        row("modifiers", globalShortcutModifiers, "stored") << QVariant(qint64(6144)) << QVariant(6144u);

        row("language", selectedLanguage, "missing") << QVariant() << text("system");
        row("language", selectedLanguage, "code") << text("ja") << text("ja");
        row("language", selectedLanguage, "empty string") << text("") << text("");
        row("language", selectedLanguage, "string array") << QVariant(QStringList{u"ja"_qs}) << text("system");
        const QVariant systemLocale(QLocale::system().name());
        row("windowLocale", selectedLanguage, "missing") << QVariant() << systemLocale;
        row("windowLocale", selectedLanguage, "empty") << text("") << systemLocale;
        row("windowLocale", selectedLanguage, "system") << text("system") << systemLocale;
        row("windowLocale", selectedLanguage, "pt-BR") << text("pt-BR") << text("pt_BR");

        row("appearance", selectedAppearance, "dark") << text("dark") << text("dark");
        row("appearance", selectedAppearance, "boolean") << yes << text("system");
        row("section", settingsSelectedSection, "integer") << QVariant(qint64(3)) << text("Geral");

        const QByteArray json("[{\"bundleIdentifier\":\"x\",\"name\":\"X\"}]");
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
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "tst_preferences.moc"
