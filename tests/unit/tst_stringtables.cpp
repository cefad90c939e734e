// Every text the code looks up has a translation in every table, and the tables are well formed.
#include "services/StringsTable.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList Languages{QStringLiteral("pt-BR"), QStringLiteral("en"), QStringLiteral("es"),
                            QStringLiteral("it"), QStringLiteral("ja")};

struct UsedText
{
    QString key;
    QString where; // file:line of the first use
};

// Reads a C++ string literal starting at the opening quote; handles the escapes the sources use.
// Returns the position after the closing quote, or -1.
qsizetype readLiteral(const QString &source, qsizetype pos, QString *out)
{
    ++pos;
    while (pos < source.size()) {
        const QChar c = source.at(pos++);
        if (c == u'"')
            return pos;
        if (c == u'\n')
            return -1;
        if (c != u'\\') {
            out->append(c);
            continue;
        }
        if (pos >= source.size())
            return -1;
        const QChar e = source.at(pos++);
        switch (e.unicode()) {
        case 'n': out->append(u'\n'); break;
        case 't': out->append(u'\t'); break;
        case 'r': out->append(u'\r'); break;
        default: out->append(e); break; // \" \\ \'
        }
    }
    return -1;
}

qsizetype skipSpace(const QString &source, qsizetype pos)
{
    while (pos < source.size() && source.at(pos).isSpace())
        ++pos;
    return pos;
}

bool isIdentifierChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// The literals passed to L(...) in one source text, comments and other strings skipped.
// Adjacent literals ("a" "b") are joined, as the compiler does.
QList<QPair<QString, int>> literalsPassedToL(const QString &source)
{
    QList<QPair<QString, int>> found;
    qsizetype pos = 0;
    auto lineOf = [&source](qsizetype at) { return int(source.left(at).count(u'\n')) + 1; };
    while (pos < source.size()) {
        const QChar c = source.at(pos);
        if (source.mid(pos, 2) == QLatin1String("//")) {
            const qsizetype end = source.indexOf(u'\n', pos);
            pos = end < 0 ? source.size() : end;
        } else if (source.mid(pos, 2) == QLatin1String("/*")) {
            const qsizetype end = source.indexOf(QLatin1String("*/"), pos + 2);
            pos = end < 0 ? source.size() : end + 2;
        } else if (c == u'"') {
            QString ignored;
            const qsizetype end = readLiteral(source, pos, &ignored);
            pos = end < 0 ? pos + 1 : end;
        } else if (c == u'\'') {
            const qsizetype end = source.indexOf(u'\'', pos + (source.mid(pos + 1, 1) == u"\\"_qs ? 3 : 2));
            pos = end < 0 ? pos + 1 : end + 1;
        } else if (c == u'L' && (pos == 0 || !isIdentifierChar(source.at(pos - 1)))) {
            qsizetype at = skipSpace(source, pos + 1);
            if (at < source.size() && source.at(at) == u'(') {
                at = skipSpace(source, at + 1);
                QString literal;
                bool any = false;
                while (at < source.size() && source.at(at) == u'"') {
                    const qsizetype end = readLiteral(source, at, &literal);
                    if (end < 0)
                        break;
                    any = true;
                    at = skipSpace(source, end);
                }
                if (any)
                    found.append({literal, lineOf(pos)});
                pos = qMax(at, pos + 1);
            } else {
                ++pos;
            }
        } else {
            ++pos;
        }
    }
    return found;
}

QMap<QString, UsedText> usedTexts(const QString &sourceRoot)
{
    QMap<QString, UsedText> used;
    QDirIterator it(sourceRoot, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString relative = QDir(sourceRoot).relativeFilePath(path);
        for (const auto &[key, line] : literalsPassedToL(QString::fromUtf8(file.readAll())))
            if (!used.contains(key))
                used.insert(key, {key, relative + u':' + QString::number(line)});
    }
    return used;
}

// "<table>: \"<key>\" (first used at <file:line>)" for each text a table lacks.
QStringList missingTranslations(const QString &sourceRoot, const QString &resourceRoot)
{
    QStringList missing;
    const QMap<QString, UsedText> used = usedTexts(sourceRoot);
    for (const QString &code : Languages) {
        const StringsTable table =
            StringsTable::load(resourceRoot + u'/' + code + QStringLiteral(".lproj/Localizable.strings"));
        for (const UsedText &text : used)
            if (!table.contains(text.key))
                missing << u"%1: \"%2\" (first used at %3)"_qs.arg(code, text.key, text.where);
    }
    return missing;
}

const QString SourceRoot = QStringLiteral(KAVLA_SOURCE_DIR "/src");
const QString ResourceRoot = QStringLiteral(KAVLA_SOURCE_DIR "/resources");

StringsTable loadTable(const QString &root, const QString &code)
{
    return StringsTable::load(root + u'/' + code + QStringLiteral(".lproj/Localizable.strings"));
}

} // namespace

class TestStringTables : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findsTheLiteralsPassedToL_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("call") << u"label->setText(L(\"Ajustes\"));"_qs << QStringList{u"Ajustes"_qs};
        QTest::newRow("with a count") << u"L(\"%lld itens\", count)"_qs << QStringList{u"%lld itens"_qs};
        QTest::newRow("spaces and a line break") << u"L (\n  \"Excluir\")"_qs << QStringList{u"Excluir"_qs};
        QTest::newRow("escaped quotes") << u"L(\"Diga \\\"oi\\\"\")"_qs << QStringList{u"Diga \"oi\""_qs};
        QTest::newRow("adjacent literals joined") << u"L(\"Limpar \" \"Tudo\")"_qs << QStringList{u"Limpar Tudo"_qs};
        QTest::newRow("utf-8 and symbols") << u"L(\"⌘⇧V (Configurável)\")"_qs << QStringList{u"⌘⇧V (Configurável)"_qs};
        QTest::newRow("two on a line") << u"L(\"Sobre\") + L(\"Geral\")"_qs << QStringList{u"Sobre"_qs, u"Geral"_qs};
        QTest::newRow("line comment ignored") << u"// L(\"Velho\")\nL(\"Novo\")"_qs << QStringList{u"Novo"_qs};
        QTest::newRow("block comment ignored") << u"/* L(\"Velho\") */ L(\"Novo\")"_qs << QStringList{u"Novo"_qs};
        QTest::newRow("inside another string ignored") << u"QStringLiteral(\"L(\\\"x\\\")\")"_qs << QStringList{};
        QTest::newRow("longer identifiers ignored") << u"URL(\"a\"); xL(\"b\"); L_(\"c\")"_qs << QStringList{};
        QTest::newRow("runtime key ignored") << u"L(item.displayTitle())"_qs << QStringList{};
        QTest::newRow("char literal with quote") << u"QChar('\"'); L(\"Sobre\")"_qs << QStringList{u"Sobre"_qs};
    }

    void findsTheLiteralsPassedToL()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, expected);

        QStringList keys;
        for (const auto &[key, line] : literalsPassedToL(source))
            keys << key;
        QCOMPARE(keys, expected);
    }

    // The check itself: a missing entry fails the suite, naming the table and the key.
    void everyUsedTextIsInEveryTable()
    {
        const QStringList missing = missingTranslations(SourceRoot, ResourceRoot);
        if (!missing.isEmpty())
            QFAIL(qPrintable(u"Texts without a translation:\n  "_qs + missing.join(u"\n  "_qs)));
    }

    void listsEntriesNoCodeUsesYet()
    {
        const QMap<QString, UsedText> used = usedTexts(SourceRoot);
        const StringsTable table = loadTable(ResourceRoot, Languages.first());
        QStringList unused;
        for (const QString &key : table.keysInOrder())
            if (!used.contains(key))
                unused << key;
        qInfo("%lld of %lld table entries are used by the code", qint64(table.keysInOrder().size() - unused.size()),
              qint64(table.keysInOrder().size()));
        if (!unused.isEmpty())
            qInfo("not used by any L() call yet:\n  %s", qPrintable(unused.join(u"\n  "_qs)));
    }

    void checkFailsWhenAnEntryIsRemoved_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("removedKey");

        QTest::newRow("english loses Ajustes") << u"en"_qs << u"Ajustes"_qs;
        QTest::newRow("japanese loses the count") << u"ja"_qs << u"%lld itens"_qs;
        QTest::newRow("portuguese loses a symbol text") << u"pt-BR"_qs << u"⌘⇧V (Configurável)"_qs;
    }

    void checkFailsWhenAnEntryIsRemoved()
    {
        QFETCH(QString, table);
        QFETCH(QString, removedKey);

        QTemporaryDir copy;
        QVERIFY(copy.isValid());
        QDir().mkpath(copy.path() + u"/src"_qs);
        QFile source(copy.path() + u"/src/View.cpp"_qs);
        QVERIFY(source.open(QIODevice::WriteOnly));
        source.write("void build() {\n  a(L(\"Ajustes\"));\n  b(L(\"%lld itens\", 3));\n"
                     "  c(L(\"\xE2\x8C\x98\xE2\x87\xA7V (Configur\xC3\xA1vel)\"));\n}\n");
        source.close();

        for (const QString &code : Languages) {
            const QString folder = copy.path() + u"/resources/"_qs + code + u".lproj"_qs;
            QVERIFY(QDir().mkpath(folder));
            QFile original(ResourceRoot + u'/' + code + u".lproj/Localizable.strings"_qs);
            QVERIFY(original.open(QIODevice::ReadOnly));
            QByteArray text = original.readAll();
            if (code == table) {
                const StringsTable parsed = StringsTable::parse(text);
                QVERIFY(parsed.contains(removedKey));
                QByteArray kept;
                for (const QByteArray &line : text.split('\n'))
                    if (!line.startsWith('"' + removedKey.toUtf8() + "\" ="))
                        kept += line + '\n';
                text = kept;
            }
            QFile copied(folder + u"/Localizable.strings"_qs);
            QVERIFY(copied.open(QIODevice::WriteOnly));
            copied.write(text);
        }

        const QStringList missing = missingTranslations(copy.path() + u"/src"_qs, copy.path() + u"/resources"_qs);
        QCOMPARE(missing.size(), 1);
        QVERIFY2(missing.first().startsWith(table + u": \""_qs + removedKey + u"\" (first used at View.cpp:"_qs),
                 qPrintable(missing.first()));
    }

    void tablesAreWellFormed_data()
    {
        QTest::addColumn<QString>("code");
        for (const QString &code : Languages)
            QTest::newRow(qPrintable(code)) << code;
    }

    void tablesAreWellFormed()
    {
        QFETCH(QString, code);
        const StringsTable table = loadTable(ResourceRoot, code);
        QVERIFY2(table.isValid(), qPrintable(table.errors().join(u'\n')));
        QVERIFY2(table.duplicateKeys().isEmpty(), qPrintable(table.duplicateKeys().join(u", "_qs)));
        QVERIFY(!table.entries().isEmpty());

        const StringsTable reference = loadTable(ResourceRoot, u"pt-BR"_qs);
        const QSet<QString> keys(table.keysInOrder().cbegin(), table.keysInOrder().cend());
        const QSet<QString> referenceKeys(reference.keysInOrder().cbegin(), reference.keysInOrder().cend());
        QVERIFY2(keys == referenceKeys,
                 qPrintable(u"only here: "_qs + QStringList((keys - referenceKeys).values()).join(u", "_qs)
                            + u"; missing: "_qs + QStringList((referenceKeys - keys).values()).join(u", "_qs)));

        static const QRegularExpression placeholder(QStringLiteral("%(lld|@|d|s|\\d+\\$\\w+)"));
        for (auto it = table.entries().cbegin(); it != table.entries().cend(); ++it) {
            QVERIFY2(!it.value().trimmed().isEmpty(), qPrintable(code + u": empty text for "_qs + it.key()));
            QVERIFY2(it.value() != u"__TARNWICK_MISSING_KEY__"_qs, qPrintable(it.key()));
            QStringList keyPlaceholders;
            QStringList valuePlaceholders;
            for (const auto &match : placeholder.globalMatch(it.key()))
                keyPlaceholders << match.captured();
            for (const auto &match : placeholder.globalMatch(it.value()))
                valuePlaceholders << match.captured();
            QVERIFY2(keyPlaceholders == valuePlaceholders,
                     qPrintable(code + u": placeholders differ for "_qs + it.key() + u" -> "_qs + it.value()));
        }
    }

    // Shortcut tables are searched for ⌘ and for "esc"; a translation that drops them would hide rows.
    void translationsKeepTheKeySymbols()
    {
        for (const QString &code : Languages) {
            const StringsTable table = loadTable(ResourceRoot, code);
            for (auto it = table.entries().cbegin(); it != table.entries().cend(); ++it) {
                for (const QString &symbol : {u"⌘"_qs, u"⇧"_qs, u"⌥"_qs, u"⌃"_qs, u"ESC"_qs, u"/Applications"_qs}) {
                    QVERIFY2(it.key().count(symbol) == it.value().count(symbol),
                             qPrintable(code + u": "_qs + symbol + u" lost in "_qs + it.value()));
                }
            }
        }
    }
};

QTEST_MAIN(TestStringTables)
#include "tst_stringtables.moc"
