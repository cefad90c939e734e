// The Settings window driven as a user would: its defaults, the sidebar search, capacity, clearing,
// the login-item rows, the language switch, the running and ignored applications and the global
// hot key.
#include "fakes/TestData.h"
#include "fakes/FakeHotKeyService.h"
#include "fakes/FakeLoginItemService.h"
#include "fakes/MonitorHarness.h"
#include "services/HotKeyManager.h"
#include "services/LanguageManager.h"
#include "services/LaunchAtLoginManager.h"
#include "services/LocalizedAppBundle.h"
#include "views/settings/SettingsContent.h"
#include "views/settings/SettingsSidebar.h"
#include "views/settings/SettingsView.h"
#include "views/widgets/WindowRoot.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QToolButton>
#include <QtTest>

namespace {

QStringList rawValues(const QList<SettingsSection> &sections)
{
    QStringList result;
    for (SettingsSection section : sections)
        result << SettingsSections::rawValue(section);
    return result;
}

ClipboardItemPtr textEntry(const QString &text, bool pinned = false)
{
    return TestData::textEntry(text, QDateTime::currentDateTimeUtc(), pinned);
}

// One notch of the mouse wheel over the middle of `target` (up for a positive `notches`); true when
// the widget took it.
bool wheel(QWidget *target, int notches)
{
    const QPointF at = QRectF(target->rect()).center();
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &event);
    return event.isAccepted();
}

using TestData::settle;

} // namespace

class SettingsViewTest : public QObject
{
    Q_OBJECT

    // Everything the window works on, over fakes; the window itself is made by open().
    struct Fixture
    {
        MonitorHarness harness;
        FakeLoginItemService loginItem;
        FakeHotKeyService hotKeyService;
        HotKeyManager hotKey{&hotKeyService, &harness.preferences};
        std::unique_ptr<LaunchAtLoginManager> launch;
        std::unique_ptr<LanguageManager> languages;
        std::unique_ptr<SettingsView> view;

        SettingsServices services()
        {
            if (!launch)
                launch = std::make_unique<LaunchAtLoginManager>(&loginItem, &harness.preferences);
            return {&harness.preferences, languages.get(), nullptr,         launch.get(),
                    harness.ignoredApps.get(), &hotKey,    harness.history.get()};
        }
        SettingsView *open()
        {
            view = std::make_unique<SettingsView>(services());
            view->resize(800, 560);
            view->show();
            settle();
            return view.get();
        }
        template<typename T> T *find(const QString &name) const
        {
            T *found = view->findChild<T *>(name);
            if (!found)
                qFatal("no %s", qPrintable(name));
            return found;
        }
        SettingsContent *content() const { return view->content(); }
        QListWidget *sections() const { return content()->sidebar()->sectionList(); }
        void choose(const QString &section)
        {
            const QList<QListWidgetItem *> items = sections()->findItems(L(section), Qt::MatchExactly);
            QVERIFY(!items.isEmpty());
            QTest::mouseClick(sections()->viewport(), Qt::LeftButton, {}, sections()->visualItemRect(items.first()).center());
            settle();
        }
    };

    // Portuguese as the desktop's language, so the pt-BR table's Linux wording is what shows.
    TestData::PortugueseTables m_tables;

private Q_SLOTS:
    void cleanup() { LocalizedAppBundle::setSelectedLanguage(u"system"_qs); }

    void opensWithTheDefaultsOfAnEmptyStore()
    {
        Fixture f;
        f.harness.defaults.set(PreferenceKeys::settingsSelectedSection, u"Nenhuma"_qs);
        f.open();
        QCOMPARE(f.find<QLabel>(u"capacityChip"_qs)->text(), u"30 itens"_qs);
        QCOMPARE(f.find<QSlider>(u"capacitySlider"_qs)->value() * 5, 30);
        // The switches show what is stored (the defaults are tst_preferences'): one off, one on.
        QVERIFY(!f.find<QCheckBox>(PreferenceKeys::pasteAfterChoosing)->isChecked());
        QVERIFY(f.find<QCheckBox>(PreferenceKeys::forgetClearedSecrets)->isChecked());
        QCOMPARE(f.content()->shownSection(), SettingsSection::General);
        QCOMPARE(f.sections()->currentItem()->text(), u"Geral"_qs);
        // An unknown stored section shows General but stays stored until a row is chosen.
        QCOMPARE(f.harness.defaults.object(PreferenceKeys::settingsSelectedSection).toString(), u"Nenhuma"_qs);
        QCOMPARE(f.view->windowTitle(), u"Ajustes"_qs);

        // The switch and preset of the shortcut are globalShortcutSwitchAndPreset's.
        f.choose(u"Atalhos"_qs);
        f.choose(u"Sobre"_qs);
        QCOMPARE(f.content()->shownSection(), SettingsSection::About);
        // Keyboard only: the arrow keys move through the sections.
        f.sections()->setFocus();
        QTest::keyClick(f.sections(), Qt::Key_Up);
        settle();
        QCOMPARE(f.content()->shownSection(), SettingsSection::Shortcuts);
        // The chosen section is stored, so a new window opens on it.
        f.open();
        QCOMPARE(f.content()->shownSection(), SettingsSection::Shortcuts);
    }

    void sidebarSearch_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("a") << u"pt-BR"_qs << u"a"_qs << QStringList{u"Geral"_qs, u"Aplicativos"_qs, u"Atalhos"_qs};
        QTest::newRow("capitals") << u"pt-BR"_qs << u"SOB"_qs << QStringList{u"Sobre"_qs};
        QTest::newRow("only spaces") << u"pt-BR"_qs << u"   "_qs << rawValues(SettingsSections::all());
        QTest::newRow("leading space") << u"pt-BR"_qs << u" Geral"_qs << QStringList();
        // The titles as shown match too, and the Portuguese ones still do.
        QTest::newRow("English title in English") << u"en"_qs << u"General"_qs << QStringList{u"Geral"_qs};
        QTest::newRow("part of a shown title") << u"en"_qs << u"short"_qs << QStringList{u"Atalhos"_qs};
        QTest::newRow("Portuguese title in English") << u"en"_qs << u"atal"_qs << QStringList{u"Atalhos"_qs};
        QTest::newRow("nothing matches") << u"en"_qs << u"language"_qs << QStringList();
        QTest::newRow("Japanese title in Japanese") << u"ja"_qs << u"ショート"_qs << QStringList{u"Atalhos"_qs};
    }
    void sidebarSearch()
    {
        QFETCH(QString, language);
        QFETCH(QString, typed);
        QFETCH(QStringList, listed);
        Fixture f;
        f.languages = std::make_unique<LanguageManager>(&f.harness.preferences);
        f.languages->setLanguage(language);
        f.open();
        // Typed through the input method, as Japanese is.
        QInputMethodEvent typing;
        typing.setCommitString(typed);
        QCoreApplication::sendEvent(f.content()->sidebar()->searchField(), &typing);
        QCOMPARE(rawValues(f.content()->sidebar()->listedSections()), listed);
        // An empty list says so.
        QCOMPARE(f.content()->sidebar()->noMatchesLabel()->isVisible(), listed.isEmpty());
        // The General page stays on show whatever the list holds.
        QCOMPARE(f.content()->shownSection(), SettingsSection::General);
    }

    // Entries go only for a value the user settled on: a drag's or click's release, a key, a
    // preset, or wheel turns made with the focus once the focus moves on. Turns without the focus
    // are the page's, not the slider's.
    void capacityAppliesTheLimit_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<qint64>("stored");
        QTest::addColumn<int>("kept");
        QTest::newRow("Home key") << u"home"_qs << qint64(5) << 5;
        QTest::newRow("End key") << u"end"_qs << qint64(200) << 40;
        QTest::newRow("drag through 5 back up keeps all") << u"drag-through"_qs << qint64(50) << 40;
        QTest::newRow("15 preset") << u"preset15"_qs << qint64(15) << 15;
        QTest::newRow("wheel without the focus") << u"wheel-unfocused"_qs << qint64(30) << 40;
        QTest::newRow("wheel with the focus, then Tab") << u"wheel-focused"_qs << qint64(20) << 20;
        QTest::newRow("wheel down and back up, then Tab") << u"wheel-back"_qs << qint64(30) << 40;
    }
    void capacityAppliesTheLimit()
    {
        QFETCH(QString, action);
        QFETCH(qint64, stored);
        QFETCH(int, kept);
        Fixture f;
        f.harness.preferences.setMaxHistoryCount(30);
        for (int i = 0; i < 40; ++i)
            f.harness.save(textEntry(QString::number(i)));
        f.open();
        f.view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.view.get()));
        QSlider *slider = f.find<QSlider>(u"capacitySlider"_qs);
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = Qt::Horizontal;
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->value();
        const QPoint handle = slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
        // The x of a slider step, on the groove.
        auto xOf = [&](int step) {
            return QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(), step, slider->width() - 20) + 10;
        };
        auto move = [&](int x) {
            QMouseEvent event(QEvent::MouseMove, QPointF(x, handle.y()), slider->mapToGlobal(QPointF(x, handle.y())),
                              Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(slider, &event);
        };
        if (action == u"home")
            QTest::keyClick(slider, Qt::Key_Home);
        else if (action == u"end")
            QTest::keyClick(slider, Qt::Key_End);
        else if (action.startsWith(u"drag")) {
            QTest::mousePress(slider, Qt::LeftButton, {}, handle);
            move(xOf(1));
            const int target = int(stored / 5);
            move(xOf(target) + 1);
            QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(xOf(target) + 1, handle.y()));
        } else if (action == u"wheel-unfocused") {
            // Eight notches down over the slider: none is taken, each is left for the page.
            QVERIFY(!slider->hasFocus());
            for (int notch = 0; notch < 8; ++notch)
                QVERIFY(!wheel(slider, -1));
            QCOMPARE(slider->value() * 5, 30);
        } else if (action.startsWith(u"wheel")) {
            slider->setFocus(Qt::TabFocusReason);
            QVERIFY(slider->hasFocus());
            QVERIFY(wheel(slider, -1));
            if (action == u"wheel-back")
                QVERIFY(wheel(slider, 1));
            // Shown, not yet meant: nothing stored, nothing deleted.
            QCOMPARE(f.find<QLabel>(u"capacityChip"_qs)->text(), u"%1 itens"_qs.arg(slider->value() * 5));
            QCOMPARE(f.harness.preferences.maxHistoryCount(), qint64(30));
            QCOMPARE(f.harness.entries().size(), 40);
            QTest::keyClick(slider, Qt::Key_Tab);
            QVERIFY(!slider->hasFocus());
        } else {
            QTest::mouseClick(f.find<QPushButton>(u"preset"_qs + action.mid(6)), Qt::LeftButton);
        }
        QCOMPARE(f.harness.preferences.maxHistoryCount(), stored);
        QCOMPARE(f.harness.preferences.maxHistoryCount() % 5, 0);
        QCOMPARE(f.find<QLabel>(u"capacityChip"_qs)->text(), u"%1 itens"_qs.arg(stored));
        QCOMPARE(f.harness.entries().size(), kept);
    }

    // A turn of the wheel over a picker that does not have the focus is the page's.
    void wheelOverAnUnfocusedPickerLeavesIt_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("picker");
        QTest::newRow("language") << u"Geral"_qs << u"languagePicker"_qs;
        QTest::newRow("global hot key") << u"Atalhos"_qs << PreferenceKeys::globalShortcutPreset;
    }
    void wheelOverAnUnfocusedPickerLeavesIt()
    {
        QFETCH(QString, section);
        QFETCH(QString, picker);
        Fixture f;
        f.harness.preferences.setSettingsSelectedSection(section);
        f.languages = std::make_unique<LanguageManager>(&f.harness.preferences);
        f.open();
        QComboBox *box = f.find<QComboBox>(picker);
        QVERIFY(box->isEnabled());
        const int before = box->currentIndex();
        QSignalSpy activated(box, &QComboBox::activated);
        for (int notch = 0; notch < 3; ++notch) {
            QVERIFY(!wheel(box, -1));
            QVERIFY(!wheel(box, 1));
        }
        QCOMPARE(box->currentIndex(), before);
        QCOMPARE(activated.count(), 0);
        QCOMPARE(f.harness.preferences.selectedLanguage(), u"system"_qs);
        QCOMPARE(f.harness.preferences.globalShortcutPreset(), u"cmd_shift_v"_qs);
    }

    void clearingAsksFirst_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("left");
        QTest::newRow("Limpar Tudo deletes pinned entries too") << u"confirmClear"_qs << 0;
        QTest::newRow("Cancelar deletes nothing") << u"cancelClear"_qs << 3;
    }
    void clearingAsksFirst()
    {
        QFETCH(QString, button);
        QFETCH(int, left);
        Fixture f;
        f.harness.save(textEntry(u"one"_qs));
        f.harness.save(textEntry(u"pinned"_qs, true));
        f.harness.save(textEntry(u"three"_qs));
        f.open();
        QTest::mouseClick(f.find<QPushButton>(u"clearHistory"_qs), Qt::LeftButton);
        QMessageBox *box = f.view->clearConfirmation();
        QVERIFY(box && box->isVisible());
        QCOMPARE(box->text(), u"Esta ação apagará todos os itens salvos no histórico da área de transferência."_qs);
        QTest::mouseClick(box->findChild<QPushButton *>(button), Qt::LeftButton);
        settle();
        QVERIFY(!f.view->clearConfirmation());
        QCOMPARE(f.harness.entries().size(), left);
    }

    void launchAtLoginStatusRow_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<bool>("approvalShown");
        QTest::addColumn<bool>("errorShown");
        QTest::newRow("approval wins over an error") << int(LoginItemService::RequiresApproval) << u"denied"_qs << true << false;
        QTest::newRow("error alone") << int(LoginItemService::NotRegistered) << u"denied"_qs << false << true;
        QTest::newRow("registered") << int(LoginItemService::NotRegistered) << QString() << false << false;
    }
    void launchAtLoginStatusRow()
    {
        QFETCH(int, status);
        QFETCH(QString, failure);
        QFETCH(bool, approvalShown);
        QFETCH(bool, errorShown);
        Fixture f;
        f.loginItem.current = status;
        f.loginItem.failure = failure;
        f.open();
        QCheckBox *toggle = f.find<QCheckBox>(u"launchAtLogin"_qs);
        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(f.loginItem.registers, 1);
        QCOMPARE(f.find<QWidget>(u"launchApprovalRow"_qs)->isVisible(), approvalShown);
        QCOMPARE(f.find<QWidget>(u"launchErrorRow"_qs)->isVisible(), errorShown);
        QCOMPARE(toggle->isChecked(), failure.isEmpty());
        QCOMPARE(f.harness.preferences.boolValue(PreferenceKeys::launchAtLogin), failure.isEmpty());
    }

    void choosingJapaneseRebuildsKeepingTheWindowState()
    {
        Fixture f;
        f.languages = std::make_unique<LanguageManager>(&f.harness.preferences);
        f.open();
        QTest::keyClicks(f.content()->sidebar()->searchField(), u"a"_qs);
        QPointer<SettingsContent> before = f.content();
        QComboBox *picker = f.find<QComboBox>(u"languagePicker"_qs);
        picker->setFocus();
        // Keyboard only: End picks the last option, 日本語.
        QTest::keyClick(picker, Qt::Key_End);
        settle();
        QCOMPARE(f.harness.preferences.selectedLanguage(), u"ja"_qs);
        QVERIFY(!before);
        QVERIFY(f.content());
        QCOMPARE(f.view->windowTitle(), L("Ajustes"));
        QVERIFY(f.view->windowTitle() != u"Ajustes"_qs);
        QCOMPARE(f.content()->sidebar()->searchField()->text(), u"a"_qs);
        QCOMPARE(f.content()->sidebar()->listedSections().size(), 3);
        QCOMPARE(f.find<QComboBox>(u"languagePicker"_qs)->currentText(), u"日本語"_qs);
        // The keyboard stays on the picker in the rebuilt window.
        QCOMPARE(f.view->focusWidget(), f.find<QComboBox>(u"languagePicker"_qs));
    }

    // The Applications page: an ignored application without a desktop file shows the app symbol,
    // and removing every one leaves the empty list; twelve running applications are offered eight
    // at a time, and one added by its button leaves room for the ninth.
    void applicationsPage()
    {
        Fixture f;
        f.harness.workspace.installed.insert(u"org.example.Present"_qs, u"/apps/present.desktop"_qs);
        QPixmap picture(24, 24);
        picture.fill(Qt::blue);
        f.harness.workspace.icons.insert(u"/apps/present.desktop"_qs, QIcon(picture));
        for (const IgnoredApp &app : f.harness.ignoredApps->ignoredApps())
            f.harness.ignoredApps->remove(app.bundleIdentifier);
        f.harness.ignoredApps->add(u"org.example.Present"_qs, u"Present"_qs);
        f.harness.ignoredApps->add(u"org.example.Gone"_qs, u"Gone"_qs);
        for (int i = 12; i >= 1; --i) {
            const QString id = u"org.example.app%1"_qs.arg(i, 2, 10, QLatin1Char('0'));
            f.harness.workspace.running << RunningApplication{id, u"App %1"_qs.arg(i, 2, 10, QLatin1Char('0')), true};
        }
        f.harness.preferences.setSettingsSelectedSection(u"Aplicativos"_qs);
        f.open();
        auto row = [&](const QString &id) { return f.view->findChild<QWidget *>(u"ignored:"_qs + id); };
        QVERIFY(!row(u"org.example.Present"_qs)->findChild<QLabel *>(u"app.fill"_qs));
        QVERIFY(row(u"org.example.Gone"_qs)->findChild<QLabel *>(u"app.fill"_qs));
        for (const QString &id : {u"org.example.Present"_qs, u"org.example.Gone"_qs}) {
            QTest::mouseClick(row(id)->findChild<QToolButton *>(u"remove"_qs), Qt::LeftButton);
            settle();
        }
        QVERIFY(f.harness.ignoredApps->ignoredApps().isEmpty());
        bool countShown = false;
        for (QLabel *label : f.view->findChildren<QLabel *>())
            countShown |= label->isVisible() && label->text() == u"Aplicativos Atualmente Ignorados (0)"_qs;
        QVERIFY(countShown);

        auto offered = [&] {
            QStringList ids;
            for (QWidget *row : f.view->findChildren<QWidget *>()) {
                if (row->objectName().startsWith(u"running:") && row->isVisible())
                    ids << row->objectName().mid(8);
            }
            return ids;
        };
        QCOMPARE(offered().size(), 8);
        QVERIFY(offered().contains(u"org.example.app08"_qs));
        QVERIFY(!offered().contains(u"org.example.app09"_qs));
        QToolButton *add = f.view->findChild<QWidget *>(u"running:org.example.app01"_qs)->findChild<QToolButton *>(u"add"_qs);
        QCOMPARE(add->accessibleName(), u"Ignorar este aplicativo"_qs);
        QTest::mouseClick(add, Qt::LeftButton);
        settle();
        QCOMPARE(f.harness.ignoredApps->ignoredApps().size(), qsizetype(1));
        QVERIFY(f.harness.ignoredApps->isIgnored(u"org.example.app01"_qs));
        QCOMPARE(offered().size(), 8);
        QVERIFY(!offered().contains(u"org.example.app01"_qs));
        QVERIFY(offered().contains(u"org.example.app09"_qs));
    }

    void globalShortcutSwitchAndPreset()
    {
        Fixture f;
        f.harness.preferences.setSettingsSelectedSection(u"Atalhos"_qs);
        f.hotKey.registerHotKey();
        f.open();
        QCheckBox *enabled = f.find<QCheckBox>(PreferenceKeys::globalShortcutEnabled);
        QComboBox *preset = f.find<QComboBox>(PreferenceKeys::globalShortcutPreset);
        QVERIFY(preset->isVisible());
        QCOMPARE(preset->itemText(3), u"Super+Shift+H"_qs);

        QTest::mouseClick(enabled, Qt::LeftButton);
        QVERIFY(!preset->isVisible());
        QCOMPARE(f.hotKeyService.grabCount(), 0);
        QVERIFY(!f.hotKey.hasHandler());

        QTest::mouseClick(enabled, Qt::LeftButton);
        QVERIFY(preset->isVisible());
        QCOMPARE(f.hotKeyService.held(), (FakeHotKeyService::Combination{9, 768}));

        // Keyboard only: the picker's last option is ⌘⇧H.
        preset->setFocus();
        QTest::keyClick(preset, Qt::Key_End);
        QCOMPARE(f.harness.preferences.globalShortcutPreset(), u"cmd_shift_h"_qs);
        QCOMPARE(f.hotKeyService.held(), (FakeHotKeyService::Combination{4, 768}));
        QCOMPARE(f.hotKeyService.grabCount(), 1);
    }
};

QTEST_MAIN(SettingsViewTest)
#include "tst_settingsview.moc"
