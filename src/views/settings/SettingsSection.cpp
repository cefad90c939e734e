#include "views/settings/SettingsSection.h"

#include "store/SearchText.h"
#include "support/Localization.h"

namespace SettingsSections {

QList<SettingsSection> all()
{
    return {SettingsSection::General, SettingsSection::IgnoredApps, SettingsSection::Shortcuts,
            SettingsSection::About};
}

QString rawValue(SettingsSection section)
{
    switch (section) {
    case SettingsSection::General:
        return QStringLiteral("Geral");
    case SettingsSection::IgnoredApps:
        return QStringLiteral("Aplicativos");
    case SettingsSection::Shortcuts:
        return QStringLiteral("Atalhos");
    case SettingsSection::About:
        return QStringLiteral("Sobre");
    }
    return {};
}

std::optional<SettingsSection> fromRawValue(const QString &raw)
{
    for (SettingsSection section : all()) {
        if (rawValue(section) == raw)
            return section;
    }
    return std::nullopt;
}

QString symbol(SettingsSection section)
{
    switch (section) {
    case SettingsSection::General:
        return QStringLiteral("slider.horizontal.3");
    case SettingsSection::IgnoredApps:
        return QStringLiteral("shield.slash.fill");
    case SettingsSection::Shortcuts:
        return QStringLiteral("keyboard");
    case SettingsSection::About:
        return QStringLiteral("info.circle.fill");
    }
    return {};
}

QString description(SettingsSection section)
{
    switch (section) {
    case SettingsSection::General:
        return QStringLiteral("Defina a quantidade de itens no histórico, tipos de conteúdo e preferências gerais.");
    case SettingsSection::IgnoredApps:
        return QStringLiteral("Selecione aplicativos cujo conteúdo copiado deve ser ignorado pelo Kavla.");
    case SettingsSection::Shortcuts:
        return QStringLiteral("Configure o atalho global de abertura e consulte as teclas rápidas de seleção.");
    case SettingsSection::About:
        return QStringLiteral("Informações do aplicativo e ecossistema Tarnwick.");
    }
    return {};
}

QList<SettingsSection> filtered(const QString &searchText)
{
    if (SearchText::isBlank(searchText))
        return all();
    QList<SettingsSection> result;
    for (SettingsSection section : all()) {
        const QString portuguese = rawValue(section);
        if (portuguese.contains(searchText, Qt::CaseInsensitive) || L(portuguese).contains(searchText, Qt::CaseInsensitive))
            result << section;
    }
    return result;
}

} // namespace SettingsSections
