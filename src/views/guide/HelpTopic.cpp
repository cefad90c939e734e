#include "views/guide/HelpTopic.h"

#include "store/SearchText.h"
#include "support/Localization.h"

namespace HelpTopics {

QList<HelpTopic> all()
{
    return {HelpTopic::Welcome,     HelpTopic::WhatsNew, HelpTopic::MenuBar,  HelpTopic::Shortcuts,
            HelpTopic::IgnoredApps, HelpTopic::Settings, HelpTopic::Copyright};
}

QString rawValue(HelpTopic topic)
{
    switch (topic) {
    case HelpTopic::Welcome:
        return QStringLiteral("welcome");
    case HelpTopic::WhatsNew:
        return QStringLiteral("whatsNew");
    case HelpTopic::MenuBar:
        return QStringLiteral("menuBar");
    case HelpTopic::Shortcuts:
        return QStringLiteral("shortcuts");
    case HelpTopic::IgnoredApps:
        return QStringLiteral("ignoredApps");
    case HelpTopic::Settings:
        return QStringLiteral("settings");
    case HelpTopic::Copyright:
        return QStringLiteral("copyright");
    }
    return {};
}

std::optional<HelpTopic> fromRawValue(const QString &raw)
{
    for (HelpTopic topic : all()) {
        if (rawValue(topic) == raw)
            return topic;
    }
    return std::nullopt;
}

QString title(HelpTopic topic)
{
    switch (topic) {
    case HelpTopic::Welcome:
        return QStringLiteral("Bem-vindo");
    case HelpTopic::WhatsNew:
        return QStringLiteral("O que há de novo");
    case HelpTopic::MenuBar:
        return QStringLiteral("Uso na Barra de Menus");
    case HelpTopic::Shortcuts:
        return QStringLiteral("Atalhos de teclado");
    case HelpTopic::IgnoredApps:
        return QStringLiteral("Aplicativos Ignorados");
    case HelpTopic::Settings:
        return QStringLiteral("Capacidade e Configurações");
    case HelpTopic::Copyright:
        return QStringLiteral("Direitos autorais e termos");
    }
    return {};
}

} // namespace HelpTopics

namespace HelpShortcuts {

QList<ShortcutItem> all()
{
    return {
        {L("Abrir o Kavla de qualquer lugar"), L("⌘⇧V (Configurável)")},
        {L("Copiar o 1º item e mover ao topo"), L("Command-1 (⌘1)")},
        {L("Copiar o 2º item e mover ao topo"), L("Command-2 (⌘2)")},
        {L("Copiar o 3º item e mover ao topo"), L("Command-3 (⌘3)")},
        {L("Copiar o 4º ao 9º item e mover ao topo"), L("Command-4 a 9 (⌘4–⌘9)")},
        {L("Copiar o 10º item e mover ao topo"), L("Command-0 (⌘0)")},
        {L("Escolher o item de cima ou de baixo"), QStringLiteral("↑ ↓")},
        {L("Copiar o item escolhido e mover ao topo"), QStringLiteral("Enter")},
        {L("Fechar o painel de histórico"), L("Escape (ESC)")},
        {L("Abrir Ajustes do Kavla"), L("Command-Vírgula (⌘,)")},
        {L("Abrir este Guia de Ajuda"), L("Command-Interrogação (⌘?)")},
        {L("Abrir a Janela do Histórico"), L("Command-H (⌘H)")},
        {L("Encerrar o aplicativo"), L("Command-Q (⌘Q)")},
    };
}

QList<ShortcutItem> filtered(const QString &searchText)
{
    if (SearchText::isBlank(searchText))
        return all();
    const QLocale locale = SearchText::locale();
    const QString needle = SearchText::fold(searchText, locale);
    QList<ShortcutItem> result;
    for (const ShortcutItem &item : all()) {
        if (SearchText::fold(item.action, locale).contains(needle)
            || SearchText::fold(item.shortcut, locale).contains(needle))
            result << item;
    }
    return result;
}

} // namespace HelpShortcuts
