#include "views/settings/SettingsSectionHeader.h"

#include "support/Localization.h"
#include "views/settings/SettingsBadge.h"
#include "views/settings/SettingsGroup.h"
#include "views/settings/SettingsView.h"
#include "views/widgets/PopoverStyle.h"

#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QVBoxLayout>

SettingsSectionHeader::SettingsSectionHeader(SettingsSection section, QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 14, 28, 14);
    layout->setSpacing(8);
    auto *badge = new SettingsBadge(SettingsSections::symbol(section), SettingsView::badgeColor(section), 54, 28, this);
    auto *shadow = new QGraphicsDropShadowEffect(badge);
    shadow->setColor(QColor(0, 0, 0, 31));
    shadow->setBlurRadius(12);
    shadow->setOffset(0, 3);
    badge->setGraphicsEffect(shadow);
    layout->addWidget(badge, 0, Qt::AlignHCenter);
    auto *title = new QLabel(L(SettingsSections::rawValue(section)), this);
    title->setObjectName(QStringLiteral("sectionTitle"));
    title->setFont(PopoverStyle::font(font(), 20, QFont::Bold));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    QLabel *description = SettingsGroup::caption(L(SettingsSections::description(section)), this);
    description->setFont(PopoverStyle::font(font(), 13));
    description->setAlignment(Qt::AlignCenter);
    layout->addWidget(description);
}
