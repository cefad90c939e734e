#pragma once

#include <QString>

// What turns a Portuguese interface text into the one shown: the language service installs the
// string tables as the process's translator at start. Every layer reads through L() below; none
// needs to know where the tables come from.
class Translator
{
public:
    virtual ~Translator() = default;
    // The text shown for `key`, or the key itself when no table has it. Any thread.
    virtual QString translate(const QString &key) const = 0;
};

namespace Localization {

// The translator every L() reads through (not owned); null uninstalls. Until one is installed,
// L() shows the keys as they are.
void install(Translator *translator);
// Uninstalls `translator` when it is the one installed (a translator going away calls this).
void uninstall(Translator *translator);
Translator *installed();

} // namespace Localization

// The interface text for a Portuguese literal in the chosen language:
//     label->setText(L("Limpar Histórico"));
QString L(const char *portugueseLiteral);
// The same for a text with one "%lld", filled with count after the lookup:
//     chip->setText(L("%lld itens", maxHistoryCount));
QString L(const char *portugueseLiteral, qint64 count);
// A key known only at run time (a title computed from data); shown as is when no table has it.
QString L(const QString &key);
