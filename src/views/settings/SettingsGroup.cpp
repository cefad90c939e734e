#include "views/settings/SettingsGroup.h"

#include "views/settings/SettingsBadge.h"
#include "views/widgets/PopoverStyle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

// The card behind the rows, with a line between neighbouring rows.
class GroupCard : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor fill = PopoverStyle::cardFill(palette());
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        painter.fillPath(shape, fill);
        painter.setPen(PopoverStyle::tint(palette(), 0.12));
        painter.drawPath(shape);
        const QList<QWidget *> rows = findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget *row : rows) {
            if (!row->isVisible() || row->geometry().top() <= 8)
                continue;
            const int y = row->geometry().top() - 1;
            painter.drawLine(QPointF(12, y + 0.5), QPointF(width() - 12, y + 0.5));
        }
    }
};

} // namespace

SettingsGroup::SettingsGroup(const QString &header, QWidget *parent)
    : QWidget(parent)
    , m_header(new QLabel(header, this))
    , m_card(new GroupCard(this))
    , m_rows(new QVBoxLayout(m_card))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    m_header->setFont(PopoverStyle::font(font(), 12, QFont::DemiBold));
    m_header->setContentsMargins(8, 0, 0, 0);
    m_header->setVisible(!header.isEmpty());
    layout->addWidget(m_header);
    layout->addWidget(m_card);
    m_rows->setContentsMargins(12, 4, 12, 4);
    m_rows->setSpacing(1);
}

void SettingsGroup::setHeader(const QString &text)
{
    m_header->setText(text);
    m_header->setVisible(!text.isEmpty());
}

QWidget *SettingsGroup::addRow(QWidget *content)
{
    auto *row = new QWidget(m_card);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 6, 0, 6);
    layout->addWidget(content);
    m_rows->addWidget(row);
    return row;
}

QWidget *SettingsGroup::addRow(QBoxLayout *content)
{
    auto *row = new QWidget(m_card);
    content->setContentsMargins(0, 6, 0, 6);
    row->setLayout(content);
    m_rows->addWidget(row);
    return row;
}

QWidget *SettingsGroup::addBadgeRow(const QString &symbol, const QColor &color, QWidget *control, QWidget *trailing)
{
    auto *layout = new QHBoxLayout;
    layout->setSpacing(10);
    layout->addWidget(new SettingsBadge(symbol, color));
    layout->addWidget(control, 1);
    if (trailing)
        layout->addWidget(trailing);
    return addRow(layout);
}

QCheckBox *SettingsGroup::addToggle(const QString &symbol, const QColor &color, const QString &text)
{
    auto *toggle = new QCheckBox(text);
    toggle->setAccessibleName(text);
    addBadgeRow(symbol, color, toggle);
    return toggle;
}

QComboBox *SettingsGroup::addPicker(const QString &symbol, const QColor &color, const QString &text)
{
    auto *label = new QLabel(text);
    auto *picker = new QComboBox;
    picker->setAccessibleName(text);
    label->setBuddy(picker);
    addBadgeRow(symbol, color, label, picker);
    return picker;
}

QLabel *SettingsGroup::caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFont(PopoverStyle::font(label->font(), 11));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, PopoverStyle::secondary(palette));
    label->setPalette(palette);
    return label;
}

QLabel *SettingsGroup::headline(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFont(PopoverStyle::font(label->font(), 13, QFont::DemiBold));
    return label;
}
