// The `kavla` command's arguments, and the launcher lines of `kavla list --dmenu` read back by
// `kavla copy --from-line`.
#include "app/CommandLine.h"
#include "app/LauncherLine.h"
#include "shell/EntryReference.h"

#include <QSet>
#include <QTest>

using CommandLine::Action;
using CommandLine::Format;

class CommandLineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("entry"); // the entry, the search, or the error's beginning after "!"
        QTest::addColumn<int>("format");
        QTest::newRow("no argument starts") << u""_qs << int(Action::Start) << u""_qs << int(Format::Lines);
        QTest::newRow("--guide starts") << u"--guide"_qs << int(Action::Start) << u""_qs << int(Format::Lines);
        QTest::newRow("Qt's options start") << u"-platform xcb"_qs << int(Action::Start) << u""_qs << int(Format::Lines);
        QTest::newRow("help") << u"--help"_qs << int(Action::Help) << u""_qs << int(Format::Lines);
        QTest::newRow("help of a command") << u"copy --help"_qs << int(Action::Help) << u""_qs << int(Format::Lines);
        QTest::newRow("list") << u"list"_qs << int(Action::List) << u""_qs << int(Format::Lines);
        QTest::newRow("list --json") << u"list --json"_qs << int(Action::List) << u""_qs << int(Format::Json);
        QTest::newRow("list --dmenu") << u"list --dmenu"_qs << int(Action::List) << u""_qs << int(Format::Dmenu);
        QTest::newRow("both formats") << u"list --json --dmenu"_qs << 0 << u"!--json and --dmenu"_qs << 0;
        QTest::newRow("search words") << u"search two words"_qs << int(Action::Search) << u"two words"_qs
                                      << int(Format::Lines);
        QTest::newRow("search a dash") << u"search -- -v"_qs << int(Action::Search) << u"-v"_qs << int(Format::Lines);
        QTest::newRow("search nothing") << u"search"_qs << 0 << u"!search needs"_qs << 0;
        QTest::newRow("copy a number") << u"copy 2"_qs << int(Action::Copy) << u"2"_qs << int(Format::Lines);
        QTest::newRow("copy from a line") << u"copy --from-line"_qs << int(Action::Copy) << u""_qs << int(Format::Lines);
        QTest::newRow("copy nothing") << u"copy"_qs << 0 << u"!copy takes one entry"_qs << 0;
        QTest::newRow("a line and an entry") << u"delete --from-line 2"_qs << 0 << u"!delete takes one entry"_qs << 0;
        QTest::newRow("an option of another") << u"get --json 1"_qs << 0 << u"!get takes no option --json"_qs << 0;
        QTest::newRow("clear takes nothing") << u"clear all"_qs << 0 << u"!clear takes no argument"_qs << 0;
        QTest::newRow("show the guide") << u"show guide"_qs << int(Action::Show) << u""_qs << int(Format::Lines);
        QTest::newRow("show a stranger") << u"show trash"_qs << 0 << u"!show opens"_qs << 0;
        QTest::newRow("unknown command") << u"lsit"_qs << 0 << u"!unknown command 'lsit'"_qs << 0;
    }

    void parse()
    {
        QFETCH(QString, arguments);
        QFETCH(int, action);
        QFETCH(QString, entry);
        QFETCH(int, format);
        const CommandLine::Command command = CommandLine::parse(arguments.split(u' ', Qt::SkipEmptyParts));
        if (entry.startsWith(u'!')) {
            QVERIFY2(command.error.startsWith(entry.mid(1)), qPrintable(command.error));
            return;
        }
        QVERIFY2(command.error.isEmpty(), qPrintable(command.error));
        QCOMPARE(int(command.action), action);
        QCOMPARE(command.action == Action::Search ? command.search : command.entry, entry);
        QCOMPARE(int(command.format), format);
        QCOMPARE(command.fromLine, arguments.contains(u"--from-line"_qs));
    }

    // Every line names its own entry, even when a copy arrived between listing and choosing;
    // equal titles give distinct lines, and no control character reaches the launcher.
    void launcherLinesFindTheirEntry_data()
    {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("distinct ids")
            << QStringList{u"Meeting at ten"_qs, u"two\nlines\ttab\x1b[31m"_qs, u"sep\u2028arated"_qs}
            << QStringList{u"3f2a9c1d-0000-4000-8000-000000000001"_qs, u"a0000000-0000-4000-8000-000000000002"_qs,
                           u"b0000000-0000-4000-8000-000000000003"_qs};
        QTest::newRow("equal titles, ids sharing their beginning")
            << QStringList{u"same"_qs, u"same"_qs, u"same"_qs}
            << QStringList{u"3f2a9c1d-1111-4000-8000-000000000001"_qs, u"3f2a9c1d-1112-4000-8000-000000000002"_qs,
                           u"3f2a9c1d-2000-4000-8000-000000000003"_qs};
        QTest::newRow("a title ending like a line")
            << QStringList{u"note  [text 00000000]"_qs, u"x"_qs}
            << QStringList{u"c0000000-0000-4000-8000-000000000001"_qs, u"00000000-0000-4000-8000-000000000002"_qs};
    }

    void launcherLinesFindTheirEntry()
    {
        QFETCH(QStringList, titles);
        QFETCH(QStringList, ids);
        QList<HistoryBusEntry> entries;
        for (int i = 0; i < titles.size(); ++i)
            entries.append(HistoryBusEntry{quint32(i + 1), ids.at(i), u"text"_qs, titles.at(i), {}, 0, false});
        const QStringList lines = LauncherLine::format(entries);
        QCOMPARE(lines.size(), entries.size());
        QCOMPARE(QSet<QString>(lines.begin(), lines.end()).size(), lines.size());
        // A new copy comes first, its id close to the others'.
        QStringList later = ids;
        later.prepend(u"3f2a9c1e-9999-4000-8000-000000000009"_qs);
        for (int i = 0; i < lines.size(); ++i) {
            for (const QChar c : lines.at(i))
                QVERIFY2(c.category() != QChar::Other_Control && c != QChar(0x2028), qPrintable(lines.at(i)));
            EntryReference::Outcome outcome = EntryReference::Outcome::Invalid;
            QString reason;
            const QString id = LauncherLine::idOf(lines.at(i) + u'\n');
            QCOMPARE(EntryReference::parse(id).rowIn(later, &outcome, &reason), i + 1);
        }
    }
};

QTEST_APPLESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
