#include "views/settings/AboutSettingsPage.h"

#include "services/LocalizedAppBundle.h"
#include "views/settings/SettingsGroup.h"
#include "views/settings/SettingsView.h"
#include "views/widgets/PopoverStyle.h"
#include "views/widgets/SymbolIcon.h"

#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton *linkButton(const QString &symbol, const QString &text, const QPalette &palette)
{
    auto *button = new QPushButton;
    button->setAccessibleName(text);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    auto *layout = new QHBoxLayout(button);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(8);
    auto *icon = new QLabel;
    icon->setPixmap(SymbolIcon::pixmap(symbol, PopoverStyle::accent(palette), 16, 2.0));
    icon->setFixedSize(16, 16);
    icon->setScaledContents(true);
    layout->addWidget(icon);
    layout->addWidget(new QLabel(text), 1);
    auto *arrow = new QLabel;
    arrow->setPixmap(SymbolIcon::pixmap(QStringLiteral("arrow.up.right"), PopoverStyle::secondary(palette), 12, 2.0));
    arrow->setFixedSize(12, 12);
    arrow->setScaledContents(true);
    layout->addWidget(arrow);
    button->setMinimumHeight(30);
    return button;
}

} // namespace

AboutSettingsPage::AboutSettingsPage(SettingsView *view)
    : SettingsPage(SettingsSection::About, view)
{
    SettingsGroup *identity = addGroup(QString());
    auto *row = new QHBoxLayout;
    row->setSpacing(14);
    auto *symbol = new QLabel;
    symbol->setPixmap(SymbolIcon::pixmap(QStringLiteral("clock.arrow.circlepath"), PopoverStyle::accent(palette()), 48, 2.0));
    symbol->setFixedSize(48, 48);
    symbol->setScaledContents(true);
    row->addWidget(symbol);
    auto *names = new QVBoxLayout;
    names->setSpacing(4);
    auto *name = new QLabel(L("Kavla"));
    name->setFont(PopoverStyle::font(font(), 17, QFont::Bold));
    names->addWidget(name);
    // The tables word the first release's number; the number shown is the one this build carries.
    names->addWidget(SettingsGroup::caption(
        L("Versão 1.0.0 (Build 1)").replace(QStringLiteral("1.0.0"), QStringLiteral(KAVLA_VERSION))));
    QLabel *brand = SettingsGroup::caption(L("Marca Tarnwick • Feito para o Ecossistema Apple"));
    brand->setFont(PopoverStyle::font(font(), 10));
    names->addWidget(brand);
    row->addLayout(names, 1);
    identity->addRow(row);

    SettingsGroup *links = addGroup(L("Créditos e Links"));
    QPushButton *website = linkButton(QStringLiteral("safari"), L("Website Oficial Tarnwick"), palette());
    website->setObjectName(QStringLiteral("websiteLink"));
    connect(website, &QPushButton::clicked, this, [] { QDesktopServices::openUrl(QUrl(WebsiteAddress)); });
    links->addRow(website);
    QPushButton *privacy = linkButton(QStringLiteral("hand.raised.fill"), L("Política de Privacidade"), palette());
    privacy->setObjectName(QStringLiteral("privacyLink"));
    connect(privacy, &QPushButton::clicked, this, [] { QDesktopServices::openUrl(privacyStatementUrl()); });
    links->addRow(privacy);
}

QUrl AboutSettingsPage::privacyStatementUrl()
{
    return QUrl::fromLocalFile(QDir(LocalizedAppBundle::defaultResourceRoot()).filePath(PrivacyFileName));
}
