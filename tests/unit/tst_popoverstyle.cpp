// What Kavla draws reads and is named: the text colours read at 4.5:1 or more (WCAG AA) on what
// they are drawn on and focus marks at 3:1, in the light and dark appearances and on a desktop
// palette whose own colours are faint; and, walking the popup, Settings, the guide, the history
// window and the tray menu as they are drawn, every text reads on the background it lands on and
// every control has an accessible name, inside a window that reports itself as one.
#include "fakes/MonitorHarness.h"
#include "fakes/TestData.h"
#include "services/AppearanceManager.h"
#include "services/LanguageManager.h"
#include "services/LocalizedAppBundle.h"
#include "shell/StatusBarController.h"
#include "views/guide/HelpContent.h"
#include "views/guide/HelpView.h"
#include "views/history/HistoryWindow.h"
#include "views/popup/HistoryPopoverView.h"
#include "views/popup/PopoverWindow.h"
#include "views/settings/SettingsContent.h"
#include "views/settings/SettingsView.h"
#include "views/widgets/PopoverStyle.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStyleFactory>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <functional>

namespace {

using ColorOf = std::function<QColor(const QPalette &)>;

QPalette palette(const QString &name)
{
    if (name == u"light")
        return AppearanceManager::paletteFor(AppearanceManager::ColorScheme::Light);
    if (name == u"dark")
        return AppearanceManager::paletteFor(AppearanceManager::ColorScheme::Dark);
    // A grey desktop with a grey selection and grey buttons.
    QPalette grey(QColor(0x9a, 0x9a, 0x9a));
    grey.setColor(QPalette::WindowText, QColor(0x20, 0x20, 0x20));
    grey.setColor(QPalette::Highlight, QColor(0x70, 0x70, 0x78));
    grey.setColor(QPalette::Button, QColor(0x8a, 0x8a, 0x8a));
    return grey;
}

// The colour most of `rect` is painted in: the background of the text inside it.
QColor backgroundOf(const QImage &image, const QRectF &rect)
{
    const qreal ratio = image.devicePixelRatio();
    const QRect area = QRect((rect.topLeft() * ratio).toPoint(), (rect.size() * ratio).toSize()) & image.rect();
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    const auto most = std::max_element(counts.cbegin(), counts.cend());
    return QColor::fromRgb(most == counts.cend() ? 0 : most.key());
}

// "<what>: <text> on <background>: <ratio>" for each text of `window` below 4.5:1.
QStringList unreadableTexts(QWidget *window, const QImage &image)
{
    QStringList failures;
    const auto check = [&](const QString &what, const QColor &text, const QRectF &rect) {
        const QColor background = backgroundOf(image, rect);
        const QColor seen = PopoverStyle::over(text, background);
        const qreal ratio = PopoverStyle::contrastRatio(seen, background);
        if (ratio < 4.5)
            failures << u"%1: %2 on %3: %4"_qs.arg(what, seen.name(), background.name()).arg(ratio, 0, 'f', 2);
    };
    const auto rectOf = [window](QWidget *widget) { return QRectF(widget->mapTo(window, QPoint()), widget->size()); };
    // Scrolled out of the picture: the page's own picture shows it.
    const QRectF pictured(QPointF(), image.deviceIndependentSize());
    const auto shown = [window, &rectOf, &pictured](QWidget *widget) {
        return widget->isVisibleTo(window) && widget->isEnabled() && pictured.contains(rectOf(widget));
    };
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (shown(label) && !label->text().isEmpty())
            check(label->text(), label->palette().color(label->foregroundRole()), rectOf(label));
    }
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (!shown(button) || button->text().isEmpty() || qobject_cast<QToolButton *>(button))
            continue;
        const auto role = qobject_cast<QPushButton *>(button) ? QPalette::ButtonText : QPalette::WindowText;
        check(button->text(), button->palette().color(role), rectOf(button));
    }
    for (QLineEdit *field : window->findChildren<QLineEdit *>()) {
        if (shown(field) && field->text().isEmpty() && !field->placeholderText().isEmpty())
            check(field->placeholderText(), field->palette().color(QPalette::PlaceholderText), rectOf(field));
    }
    for (QListWidget *list : window->findChildren<QListWidget *>()) {
        if (!shown(list))
            continue;
        for (int row = 0; row < list->count(); ++row) {
            QListWidgetItem *item = list->item(row);
            const QRect rect = list->visualItemRect(item);
            const QColor text = item->foreground().style() != Qt::NoBrush ? item->foreground().color()
                : item->isSelected() ? list->palette().color(QPalette::HighlightedText)
                                     : list->palette().color(QPalette::Text);
            // The text's own line: the row may carry a gap above it.
            const QRectF line(list->viewport()->mapTo(window, rect.bottomLeft() - QPoint(0, 26)), QSize(rect.width(), 24));
            check(item->text(), text, line);
        }
    }
    if (auto *menu = qobject_cast<QMenu *>(window)) {
        for (QAction *action : menu->actions()) {
            if (action->isSeparator())
                continue;
            const QColor text = menu->palette().color(action->isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text);
            check(action->text(), text, menu->actionGeometry(action));
        }
    }
    return failures;
}

// Every control inside `parent`'s accessible subtree without a name, by role and path.
void unnamedControls(QAccessibleInterface *parent, const QString &path, QStringList *failures)
{
    static const QSet<QAccessible::Role> controls = {
        QAccessible::PushButton, QAccessible::CheckBox,    QAccessible::RadioButton, QAccessible::ComboBox,
        QAccessible::Slider,     QAccessible::SpinBox,     QAccessible::EditableText, QAccessible::List,
        QAccessible::ListItem,   QAccessible::PageTab,     QAccessible::ButtonMenu, QAccessible::ButtonDropDown,
        QAccessible::Link,       QAccessible::MenuItem,    QAccessible::Table,       QAccessible::Cell};
    for (int index = 0; index < parent->childCount(); ++index) {
        QAccessibleInterface *child = parent->child(index);
        if (!child || child->state().invisible)
            continue;
        const QString here = path + u'/' + QString::number(int(child->role()), 16);
        const bool control = controls.contains(child->role()) || child->state().focusable;
        if (control && child->role() != QAccessible::ScrollBar && child->text(QAccessible::Name).trimmed().isEmpty()) {
            QString what = here;
            if (QObject *object = child->object())
                what += u" ("_qs + QString::fromLatin1(object->metaObject()->className()) + u' ' + object->objectName() + u')';
            *failures << what;
        }
        unnamedControls(child, here, failures);
    }
}

} // namespace

Q_DECLARE_METATYPE(ColorOf)

class PopoverStyleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void contrastRatioMatchesWcag_data()
    {
        QTest::addColumn<QColor>("a");
        QTest::addColumn<QColor>("b");
        QTest::addColumn<double>("ratio");
        QTest::newRow("black on white") << QColor(Qt::black) << QColor(Qt::white) << 21.0;
        QTest::newRow("#777 on white, just below AA") << QColor(0x77, 0x77, 0x77) << QColor(Qt::white) << 4.48;
        QTest::newRow("order does not matter") << QColor(Qt::white) << QColor(0x76, 0x76, 0x76) << 4.54;
    }

    void contrastRatioMatchesWcag()
    {
        QFETCH(QColor, a);
        QFETCH(QColor, b);
        QFETCH(double, ratio);
        QVERIFY2(qAbs(PopoverStyle::contrastRatio(a, b) - ratio) < 0.01, qPrintable(QString::number(PopoverStyle::contrastRatio(a, b))));
    }

    // Each colour pair, as the palette gives it: text at 4.5:1, focus rings at 3:1.
    void colourPairsStandOut_data()
    {
        QTest::addColumn<QString>("appearance");
        QTest::addColumn<ColorOf>("text");
        QTest::addColumn<ColorOf>("background");
        QTest::addColumn<double>("minimum");

        const ColorOf window = [](const QPalette &p) { return p.color(QPalette::Window); };
        const ColorOf button = [](const QPalette &p) { return p.color(QPalette::Button); };
        // The face Fusion paints runs from the Button colour to a little lighter.
        const ColorOf buttonTop = [](const QPalette &p) { return p.color(QPalette::Button).lighter(112); };
        const ColorOf hoveredRow = [](const QPalette &p) {
            return PopoverStyle::over(PopoverStyle::tint(p, 0.08), p.color(QPalette::Window));
        };
        const struct
        {
            const char *name;
            ColorOf text;
            ColorOf background;
            double minimum = 4.5;
        } rows[] = {
            {"row title", &PopoverStyle::primary, window},
            {"row title, hovered", &PopoverStyle::primary, hoveredRow},
            {"badge", &PopoverStyle::badgeText, &PopoverStyle::badgeFill},
            {"empty-state headline", &PopoverStyle::primary, window},
            {"empty-state hint", &PopoverStyle::secondary, window},
            {"search placeholder", &PopoverStyle::placeholderText, &PopoverStyle::searchFill},
            {"search text", [](const QPalette &p) { return p.color(QPalette::Text); }, &PopoverStyle::searchFill},
            {"clear-all label", &PopoverStyle::destructiveButtonText, button},
            {"clear-all label, face top", &PopoverStyle::destructiveButtonText, buttonTop},
            {"focus ring on the window", [](const QPalette &p) { return PopoverStyle::focusRing(p, p.color(QPalette::Window)); }, window, 3.0},
            {"focus ring on the chosen row",
             [](const QPalette &p) { return PopoverStyle::focusRing(p, PopoverStyle::selectionFill(p)); },
             &PopoverStyle::selectionFill, 3.0},
            {"focus ring on a card", [](const QPalette &p) { return PopoverStyle::focusRing(p, PopoverStyle::cardFill(p)); },
             &PopoverStyle::cardFill, 3.0},
            {"white on a prominent button", [](const QPalette &) { return QColor(Qt::white); }, &PopoverStyle::prominentFill},
        };
        for (const QString &appearance : {u"light"_qs, u"dark"_qs, u"grey desktop"_qs})
            for (const auto &row : rows)
                QTest::addRow("%s, %s", qPrintable(appearance), row.name) << appearance << row.text << row.background << row.minimum;
        // Kavla's own palettes: the selection's white text (the grey desktop's is the desktop's affair).
        for (const QString &appearance : {u"light"_qs, u"dark"_qs})
            QTest::addRow("%s, selected text", qPrintable(appearance))
                << appearance << ColorOf([](const QPalette &p) { return p.color(QPalette::HighlightedText); })
                << ColorOf([](const QPalette &p) { return p.color(QPalette::Highlight); }) << 4.5;
    }

    void colourPairsStandOut()
    {
        QFETCH(QString, appearance);
        QFETCH(ColorOf, text);
        QFETCH(ColorOf, background);
        QFETCH(double, minimum);
        const QPalette colors = palette(appearance);
        const QColor seen = PopoverStyle::over(text(colors), background(colors));
        const qreal ratio = PopoverStyle::contrastRatio(seen, background(colors));
        QVERIFY2(ratio >= minimum, qPrintable(u"%1 on %2: %3:1"_qs.arg(seen.name(), background(colors).name()).arg(ratio, 0, 'f', 2)));
    }

    void windowsReadAndNameEveryControl_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<AppearanceManager::ColorScheme>("scheme");
        QStringList windows{u"popup"_qs, u"history"_qs, u"menu"_qs};
        for (const QString &section : {u"Geral"_qs, u"Aplicativos"_qs, u"Atalhos"_qs, u"Sobre"_qs})
            windows << u"settings:"_qs + section;
        for (HelpTopic topic : HelpTopics::all())
            windows << u"guide:"_qs + HelpTopics::rawValue(topic);
        for (const auto &[scheme, name] : {std::pair{AppearanceManager::ColorScheme::Light, "light"},
                                           std::pair{AppearanceManager::ColorScheme::Dark, "dark"}})
            for (const QString &window : windows)
                QTest::addRow("%s, %s", qPrintable(window), name) << window << scheme;
    }

    void windowsReadAndNameEveryControl()
    {
        QFETCH(QString, window);
        QFETCH(AppearanceManager::ColorScheme, scheme);
        QApplication::setPalette(AppearanceManager::paletteFor(scheme));
        MonitorHarness harness;
        harness.workspace.running = {{u"org.mozilla.firefox"_qs, u"Firefox"_qs, true}};
        harness.copyText(u"Reunião às 15h"_qs);
        LanguageManager languages(&harness.preferences);
        std::unique_ptr<QWidget> shown;
        std::unique_ptr<StatusBarController> controller;
        if (window == u"popup") {
            auto popup = std::make_unique<PopoverWindow>();
            popup->setContent(new HistoryPopoverView(harness.history.get(), &harness.preferences, nullptr));
            shown = std::move(popup);
        } else if (window == u"history") {
            auto view = std::make_unique<HistoryWindow>(
                HistoryWindowServices{harness.history.get(), &harness.workspace, &languages, nullptr});
            view->setSelectedItem(harness.entries().first());
            shown = std::move(view);
        } else if (window == u"menu") {
            controller = std::make_unique<StatusBarController>(nullptr, &harness.preferences, nullptr, nullptr);
            shown.reset(controller->buildContextMenu(nullptr));
        } else if (window.startsWith(u"settings:")) {
            harness.preferences.setSettingsSelectedSection(window.mid(9));
            shown = std::make_unique<SettingsView>(SettingsServices{&harness.preferences, &languages, nullptr, nullptr,
                                                                    harness.ignoredApps.get(), nullptr,
                                                                    harness.history.get()});
            shown->resize(800, 560);
        } else {
            auto guide = std::make_unique<HelpView>(&languages, nullptr);
            guide->navigateTo(*HelpTopics::fromRawValue(window.mid(6)));
            shown = std::move(guide);
            shown->resize(880, 600);
        }
        shown->setPalette(AppearanceManager::paletteFor(scheme));
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        QCoreApplication::processEvents();
        const QImage image = shown->grab().toImage();

        QStringList unreadable = unreadableTexts(shown.get(), image);
        // The whole scrolled page too, below the part on show.
        if (auto *settings = qobject_cast<SettingsView *>(shown.get()))
            unreadable += unreadableTexts(settings->content()->page(), settings->content()->page()->grab().toImage());
        if (auto *guide = qobject_cast<HelpView *>(shown.get()))
            unreadable += unreadableTexts(guide->content()->page(), guide->content()->page()->grab().toImage());
        QVERIFY2(unreadable.isEmpty(), qPrintable(unreadable.join(u'\n')));

        QAccessibleInterface *root = QAccessible::queryAccessibleInterface(shown.get());
        QVERIFY(root);
        if (window != u"menu")
            QVERIFY2(root->role() == QAccessible::Window || root->role() == QAccessible::Dialog,
                     qPrintable(QString::number(int(root->role()), 16)));
        QStringList unnamed;
        unnamedControls(root, QString(), &unnamed);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u'\n')));
    }

private:
    TestData::PortugueseTables m_tables;

private Q_SLOTS:
    void initTestCase() { QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion"))); }
};

QTEST_MAIN(PopoverStyleTest)
#include "tst_popoverstyle.moc"
