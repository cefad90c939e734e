// The popup's text colours read at 4.5:1 or more (WCAG AA) on what they are drawn on, in the light
// and dark appearances and on a desktop palette whose own colours are faint.
#include "services/AppearanceManager.h"
#include "views/PopoverStyle.h"

#include <QApplication>
#include <QtTest>

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
        QTest::newRow("same colour") << QColor(0x35, 0x35, 0x35) << QColor(0x35, 0x35, 0x35) << 1.0;
        QTest::newRow("#777 on white") << QColor(0x77, 0x77, 0x77) << QColor(Qt::white) << 4.48;
        QTest::newRow("order does not matter") << QColor(Qt::white) << QColor(0x76, 0x76, 0x76) << 4.54;
    }

    void contrastRatioMatchesWcag()
    {
        QFETCH(QColor, a);
        QFETCH(QColor, b);
        QFETCH(double, ratio);
        QVERIFY2(qAbs(PopoverStyle::contrastRatio(a, b) - ratio) < 0.01, qPrintable(QString::number(PopoverStyle::contrastRatio(a, b))));
    }

    void textReadsOnItsBackground_data()
    {
        QTest::addColumn<QString>("appearance");
        QTest::addColumn<ColorOf>("text");
        QTest::addColumn<ColorOf>("background");

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
        };
        for (const QString &appearance : {u"light"_qs, u"dark"_qs, u"grey desktop"_qs})
            for (const auto &row : rows)
                QTest::addRow("%s, %s", qPrintable(appearance), row.name) << appearance << row.text << row.background;
    }

    void textReadsOnItsBackground()
    {
        QFETCH(QString, appearance);
        QFETCH(ColorOf, text);
        QFETCH(ColorOf, background);
        const QPalette colors = palette(appearance);
        const QColor seen = PopoverStyle::over(text(colors), background(colors));
        const qreal ratio = PopoverStyle::contrastRatio(seen, background(colors));
        QVERIFY2(ratio >= 4.5, qPrintable(u"%1 on %2: %3:1"_qs.arg(seen.name(), background(colors).name()).arg(ratio, 0, 'f', 2)));
    }
};

QTEST_MAIN(PopoverStyleTest)
#include "tst_popoverstyle.moc"
