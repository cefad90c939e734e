#include "services/IgnoredAppsManager.h"

#include "platform/ApplicationPicker.h"
#include "platform/Workspace.h"
#include "services/Preferences.h"
#include "support/Localization.h"
#include "support/Log.h"

#include <QCollator>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

bool sameIdentifier(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
} // namespace

size_t qHash(const IgnoredApp &app, size_t seed)
{
    return qHashMulti(seed, app.bundleIdentifier, app.name);
}

IgnoredAppsManager::IgnoredAppsManager(Preferences *preferences, Workspace *workspace,
                                       ApplicationPicker *picker, QObject *parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_workspace(workspace)
    , m_picker(picker)
{
    load();
}

QList<IgnoredApp> IgnoredAppsManager::defaultApps()
{
    return {
        {QStringLiteral("com.agilebits.onepassword7"), QStringLiteral("1Password 7")},
        {QStringLiteral("com.1password.1password"), QStringLiteral("1Password")},
        {QStringLiteral("com.bitwarden.desktop"), QStringLiteral("Bitwarden")},
        {QStringLiteral("org.keepassxc.keepassxc"), QStringLiteral("KeePassXC")},
        {QStringLiteral("com.apple.keychainaccess"), QStringLiteral("Acesso às Chaves")},
        // The same password managers under their Linux desktop-file IDs.
        {QStringLiteral("1password"), QStringLiteral("1Password")},
        {QStringLiteral("bitwarden"), QStringLiteral("Bitwarden")},
        {QStringLiteral("org.gnome.seahorse.Application"), QStringLiteral("Senhas e Chaves")},
        {QStringLiteral("org.kde.kwalletmanager5"), QStringLiteral("KWalletManager")},
    };
}

QByteArray IgnoredAppsManager::encode(const QList<IgnoredApp> &apps)
{
    // Written by hand so the members keep their order ("bundleIdentifier" first); QJsonObject
    // would sort them by name.
    QByteArray json("[");
    for (qsizetype i = 0; i < apps.size(); ++i) {
        if (i > 0)
            json += ',';
        const QByteArray identifier = QJsonDocument(QJsonArray{apps[i].bundleIdentifier}).toJson(QJsonDocument::Compact);
        const QByteArray name = QJsonDocument(QJsonArray{apps[i].name}).toJson(QJsonDocument::Compact);
        json += "{\"bundleIdentifier\":" + identifier.mid(1, identifier.size() - 2)
                + ",\"name\":" + name.mid(1, name.size() - 2) + '}';
    }
    json += ']';
    return json;
}

std::optional<QList<IgnoredApp>> IgnoredAppsManager::decode(const QByteArray &data, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("the data is not valid JSON (%1 at offset %2)")
                     .arg(parseError.errorString())
                     .arg(parseError.offset);
        return std::nullopt;
    }
    if (!document.isArray()) {
        *error = QStringLiteral("expected an array of applications");
        return std::nullopt;
    }
    QList<IgnoredApp> apps;
    const QJsonArray array = document.array();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonValue element = array.at(i);
        if (!element.isObject()) {
            *error = QStringLiteral("element %1 is not an object").arg(i);
            return std::nullopt;
        }
        const QJsonObject object = element.toObject();
        for (const char *member : {"bundleIdentifier", "name"}) {
            if (!object.value(QLatin1String(member)).isString()) {
                *error = QStringLiteral("element %1 has no string member \"%2\"")
                             .arg(i)
                             .arg(QLatin1String(member));
                return std::nullopt;
            }
        }
        apps.append({object.value(QLatin1String("bundleIdentifier")).toString(),
                     object.value(QLatin1String("name")).toString()});
    }
    return apps;
}

void IgnoredAppsManager::load()
{
    if (const std::optional<QByteArray> data = m_preferences->ignoredApplicationsData()) {
        QString error;
        if (std::optional<QList<IgnoredApp>> apps = decode(*data, &error))
            m_ignoredApps = *apps;
        else
            Log::line(QStringLiteral("Erro ao carregar aplicativos ignorados: ") + error);
    }
    // Each default entry is added the first time its application is seen installed, at this
    // launch or a later one, so a password manager installed later is ignored too; one the user
    // removed afterwards stays removed. A list kept from before this was remembered is taken as
    // the user's choice about every default installed now.
    const std::optional<QStringList> remembered = m_preferences->offeredIgnoredDefaults();
    QStringList offered = remembered.value_or(QStringList());
    const bool keepAsStored = !remembered && !m_ignoredApps.isEmpty();
    bool changed = !remembered && m_ignoredApps.isEmpty();
    for (const IgnoredApp &app : defaultApps()) {
        if (offered.contains(app.bundleIdentifier) || !m_workspace->urlForApplication(app.bundleIdentifier))
            continue;
        offered << app.bundleIdentifier;
        if (!keepAsStored && !isIgnored(app.bundleIdentifier)) {
            m_ignoredApps.append(app);
            changed = true;
        }
    }
    if (changed)
        save();
    if (offered != remembered.value_or(QStringList()) || !remembered)
        m_preferences->setOfferedIgnoredDefaults(offered);
}

void IgnoredAppsManager::save()
{
    m_preferences->setIgnoredApplicationsData(encode(m_ignoredApps));
}

bool IgnoredAppsManager::isIgnored(const std::optional<QString> &bundleIdentifier) const
{
    if (!bundleIdentifier || bundleIdentifier->isEmpty())
        return false;
    return std::any_of(m_ignoredApps.cbegin(), m_ignoredApps.cend(), [&](const IgnoredApp &app) {
        return sameIdentifier(app.bundleIdentifier, *bundleIdentifier);
    });
}

void IgnoredAppsManager::add(const QString &bundleIdentifier, const QString &name)
{
    const QString identifier = bundleIdentifier.trimmed();
    if (identifier.isEmpty() || isIgnored(identifier))
        return;
    m_ignoredApps.append({identifier, name.isEmpty() ? identifier : name});
    save();
    Q_EMIT ignoredAppsChanged();
}

void IgnoredAppsManager::remove(const QString &bundleIdentifier)
{
    const qsizetype removed = m_ignoredApps.removeIf([&](const IgnoredApp &app) {
        return sameIdentifier(app.bundleIdentifier, bundleIdentifier);
    });
    save();
    if (removed > 0)
        Q_EMIT ignoredAppsChanged();
}

void IgnoredAppsManager::selectAppFromDisk()
{
    if (!m_picker)
        return;
    const std::optional<QList<ChosenApplication>> chosen = m_picker->chooseApplications(
        L("Adicionar aos Ignorados"),
        L("Selecione aplicativos cujo conteúdo copiado deve ser ignorado pelo Kavla."));
    if (!chosen)
        return;
    for (const ChosenApplication &application : *chosen) {
        if (!application.readable)
            continue;
        const QString baseName = QFileInfo(application.location).completeBaseName();
        const QString identifier = application.bundleIdentifier.value_or(baseName);
        const QString name = application.displayName ? *application.displayName
                           : application.name        ? *application.name
                                                     : baseName;
        add(identifier, name);
    }
}

QList<IgnoredApp> IgnoredAppsManager::getRunningApplications() const
{
    const QString own = m_workspace->ownBundleIdentifier();
    QList<IgnoredApp> apps;
    for (const RunningApplication &application : m_workspace->runningApplications()) {
        if (!application.isRegular || !application.bundleIdentifier)
            continue;
        const QString &identifier = *application.bundleIdentifier;
        if ((!own.isEmpty() && identifier == own) || isIgnored(identifier))
            continue;
        apps.append({identifier, application.localizedName.value_or(identifier)});
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(apps.begin(), apps.end(), [&](const IgnoredApp &a, const IgnoredApp &b) {
        return collator.compare(a.name, b.name) < 0;
    });
    return apps;
}

QIcon IgnoredAppsManager::icon(const IgnoredApp &app) const
{
    const std::optional<QString> location = m_workspace->urlForApplication(app.bundleIdentifier);
    return location ? m_workspace->iconForFile(*location) : QIcon();
}
