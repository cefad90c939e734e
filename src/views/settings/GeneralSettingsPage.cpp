#include "views/settings/GeneralSettingsPage.h"

#include "services/AppearanceManager.h"
#include "services/LanguageManager.h"
#include "services/LaunchAtLoginManager.h"
#include "services/Preferences.h"
#include "support/Localization.h"
#include "support/Log.h"
#include "views/settings/CapacitySlider.h"
#include "views/settings/ChipLabel.h"
#include "views/settings/SettingsBadge.h"
#include "views/settings/SettingsGroup.h"
#include "views/settings/SettingsView.h"
#include "views/widgets/PopoverStyle.h"
#include "views/widgets/SymbolIcon.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QLabel *symbolLabel(const QString &symbol, const QColor &color, int size, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setPixmap(SymbolIcon::pixmap(symbol, color, size, 2.0));
    label->setFixedSize(size, size);
    label->setScaledContents(true);
    return label;
}

} // namespace

GeneralSettingsPage::GeneralSettingsPage(SettingsView *view)
    : SettingsPage(SettingsSection::General, view)
{
    addCapacityGroup();
    addContentKindsGroup();
    addBehaviourGroup();
    addLanguageGroup();
    addAppearanceGroup();
    addDataGroup();
}

QStringList GeneralSettingsPage::languageCodes()
{
    return {QStringLiteral("system"), QStringLiteral("pt-BR"), QStringLiteral("en"),
            QStringLiteral("es"),     QStringLiteral("it"),    QStringLiteral("ja")};
}

QStringList GeneralSettingsPage::appearanceCodes()
{
    return {QStringLiteral("system"), QStringLiteral("light"), QStringLiteral("dark")};
}

void GeneralSettingsPage::addCapacityGroup()
{
    Preferences *preferences = view()->services().preferences;
    SettingsGroup *group = addGroup(L("Capacidade do Histórico"));

    auto *column = new QVBoxLayout;
    column->setSpacing(10);
    auto *top = new QHBoxLayout;
    top->setSpacing(10);
    top->addWidget(new SettingsBadge(QStringLiteral("number"), SettingsBadge::Blue));
    top->addWidget(new QLabel(L("Quantidade máxima de itens salvos (X)")), 1);
    m_countChip = new ChipLabel(QString(), 10);
    m_countChip->setObjectName(QStringLiteral("capacityChip"));
    m_countChip->setContentsMargins(8, 3, 8, 3);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(13);
    mono.setWeight(QFont::DemiBold);
    m_countChip->setFont(mono);
    top->addWidget(m_countChip);
    column->addLayout(top);

    auto *sliderRow = new QHBoxLayout;
    sliderRow->addWidget(SettingsGroup::caption(L("5")));
    m_slider = new CapacitySlider;
    m_slider->setObjectName(QStringLiteral("capacitySlider"));
    m_slider->setAccessibleName(L("Capacidade máxima"));
    sliderRow->addWidget(m_slider, 1);
    sliderRow->addWidget(SettingsGroup::caption(L("200")));
    column->addLayout(sliderRow);
    // The slider decides when a value is meant; the history limit follows the stored value.
    connect(m_slider, &CapacitySlider::capacityShown, this, [this](int count) { m_countChip->setText(L("%lld itens", count)); });
    connect(m_slider, &CapacitySlider::capacityCommitted, this, [preferences](int count) {
        if (preferences)
            preferences->setMaxHistoryCount(count);
    });

    auto *presets = new QHBoxLayout;
    presets->setSpacing(8);
    presets->addWidget(SettingsGroup::caption(L("Predefinições:")));
    for (const char *preset : {"15", "30", "50", "100"}) {
        auto *button = new QPushButton(L(preset));
        const qint64 count = QByteArray(preset).toLongLong();
        button->setObjectName(QStringLiteral("preset%1").arg(count));
        button->setAccessibleName(L("%lld itens", count));
        connect(button, &QPushButton::clicked, this, [preferences, count] {
            if (preferences)
                preferences->setMaxHistoryCount(count);
        });
        presets->addWidget(button);
    }
    presets->addStretch(1);
    column->addLayout(presets);
    group->addRow(column);

    if (preferences)
        connect(preferences, &Preferences::maxHistoryCountChanged, this, &GeneralSettingsPage::showCapacity);
    showCapacity();
}

void GeneralSettingsPage::showCapacity()
{
    Preferences *preferences = view()->services().preferences;
    const qint64 count = preferences ? preferences->maxHistoryCount() : Preferences::DefaultMaxHistoryCount;
    m_slider->setCommittedCapacity(count);
    m_countChip->setText(L("%lld itens", count));
}

void GeneralSettingsPage::addContentKindsGroup()
{
    Preferences *preferences = view()->services().preferences;
    SettingsGroup *group = addGroup(L("Tipos de Conteúdo Suportados"));
    struct Kind
    {
        const char *text;
        const char *symbol;
        QColor color;
        CaptureKind kind;
    };
    const Kind kinds[] = {
        {"Textos", "text.alignleft", SettingsBadge::Blue, CaptureKind::Text},
        {"Imagens", "photo", SettingsBadge::Purple, CaptureKind::Image},
        {"Tabelas e Planilhas", "tablecells", SettingsBadge::Green, CaptureKind::Table},
        {"Arquivos e Pastas", "doc.on.doc", SettingsBadge::Orange, CaptureKind::File},
    };
    for (const Kind &kind : kinds) {
        QCheckBox *toggle = group->addToggle(QLatin1String(kind.symbol), kind.color, L(kind.text));
        toggle->setObjectName(Preferences::captureKey(kind.kind));
        if (!preferences)
            continue;
        const CaptureKind which = kind.kind;
        auto show = [toggle, preferences, which] {
            const QSignalBlocker blocker(toggle);
            toggle->setChecked(preferences->isCaptureEnabled(which));
        };
        show();
        connect(preferences, &Preferences::captureKindsChanged, toggle, show);
        connect(toggle, &QCheckBox::toggled, this, [preferences, which](bool on) { preferences->setCaptureEnabled(which, on); });
    }
}

void GeneralSettingsPage::addBehaviourGroup()
{
    const SettingsServices &services = view()->services();
    Preferences *preferences = services.preferences;
    SettingsGroup *group = addGroup(L("Comportamento"));

    QCheckBox *sound = group->addToggle(QStringLiteral("speaker.wave.2.fill"), SettingsBadge::Green,
                                        L("Feedback sonoro ao copiar via atalho"));
    sound->setObjectName(PreferenceKeys::enableSoundFeedback);
    if (preferences) {
        auto show = [sound, preferences] {
            const QSignalBlocker blocker(sound);
            sound->setChecked(preferences->soundFeedbackEnabled());
        };
        show();
        connect(preferences, &Preferences::soundFeedbackChanged, sound, show);
        connect(sound, &QCheckBox::toggled, preferences, &Preferences::setSoundFeedbackEnabled);
    }

    // Launch at login, with at most one status row under it: approval first, else the error.
    auto *launch = new QVBoxLayout;
    launch->setSpacing(6);
    auto *toggleRow = new QHBoxLayout;
    toggleRow->setSpacing(10);
    toggleRow->addWidget(new SettingsBadge(QStringLiteral("power"), SettingsBadge::Blue));
    m_launchToggle = new QCheckBox(L("Iniciar o Kavla no login do macOS"));
    m_launchToggle->setObjectName(QStringLiteral("launchAtLogin"));
    m_launchToggle->setAccessibleName(m_launchToggle->text());
    toggleRow->addWidget(m_launchToggle, 1);
    launch->addLayout(toggleRow);

    m_approvalRow = new QWidget;
    m_approvalRow->setObjectName(QStringLiteral("launchApprovalRow"));
    auto *approval = new QHBoxLayout(m_approvalRow);
    approval->setContentsMargins(30, 0, 0, 0);
    approval->setSpacing(6);
    approval->addWidget(symbolLabel(QStringLiteral("exclamationmark.triangle.fill"), PopoverStyle::orange(palette()), 12, m_approvalRow));
    approval->addWidget(SettingsGroup::caption(L("Requer autorização nos Ajustes do Sistema."), m_approvalRow));
    auto *openSettings = new QPushButton(L("Abrir Ajustes"), m_approvalRow);
    openSettings->setObjectName(QStringLiteral("openLoginItemSettings"));
    openSettings->setFlat(true);
    openSettings->setCursor(Qt::PointingHandCursor);
    openSettings->setStyleSheet(QStringLiteral("QPushButton { font-size: 11px; padding: 0 4px; }"));
    QPalette link = openSettings->palette();
    link.setColor(QPalette::ButtonText, PopoverStyle::linkText(palette()));
    openSettings->setPalette(link);
    approval->addWidget(openSettings);
    approval->addStretch(1);
    launch->addWidget(m_approvalRow);

    m_errorRow = new QWidget;
    m_errorRow->setObjectName(QStringLiteral("launchErrorRow"));
    auto *error = new QHBoxLayout(m_errorRow);
    error->setContentsMargins(30, 0, 0, 0);
    error->setSpacing(6);
    error->addWidget(symbolLabel(QStringLiteral("xmark.circle.fill"), PopoverStyle::destructive(palette()), 12, m_errorRow));
    m_errorText = SettingsGroup::caption(QString(), m_errorRow);
    error->addWidget(m_errorText, 1);
    launch->addWidget(m_errorRow);
    group->addRow(launch);

    if (LaunchAtLoginManager *manager = services.launchAtLogin) {
        connect(m_launchToggle, &QCheckBox::clicked, manager, &LaunchAtLoginManager::setLaunchAtLogin);
        connect(openSettings, &QPushButton::clicked, manager, &LaunchAtLoginManager::openSystemSettings);
        connect(manager, &LaunchAtLoginManager::changed, this, &GeneralSettingsPage::showLaunchStatus);
    }
    showLaunchStatus();

    if (!preferences)
        return;
    QCheckBox *keep = group->addToggle(QStringLiteral("doc.on.clipboard"), SettingsBadge::Blue,
                                       L("Manter a área de transferência quando o aplicativo de origem fechar"));
    keep->setObjectName(PreferenceKeys::keepClipboardAfterOwnerQuits);
    auto showKeep = [keep, preferences] {
        const QSignalBlocker blocker(keep);
        keep->setChecked(preferences->keepClipboardAfterOwnerQuits());
    };
    showKeep();
    connect(preferences, &Preferences::keepClipboardAfterOwnerQuitsChanged, keep, showKeep);
    connect(keep, &QCheckBox::toggled, preferences, &Preferences::setKeepClipboardAfterOwnerQuits);

    QCheckBox *forget = group->addToggle(QStringLiteral("hand.raised.fill"), SettingsBadge::Orange,
                                         L("Esquecer senhas apagadas logo após a cópia"));
    forget->setObjectName(PreferenceKeys::forgetClearedSecrets);
    auto showForget = [forget, preferences] {
        const QSignalBlocker blocker(forget);
        forget->setChecked(preferences->forgetClearedSecrets());
    };
    showForget();
    connect(preferences, &Preferences::forgetClearedSecretsChanged, forget, showForget);
    connect(forget, &QCheckBox::toggled, preferences, &Preferences::setForgetClearedSecrets);

    QCheckBox *paste = group->addToggle(QStringLiteral("text.cursor"), SettingsBadge::Purple,
                                        L("Colar automaticamente ao escolher um item"));
    paste->setObjectName(PreferenceKeys::pasteAfterChoosing);
    auto showPaste = [paste, preferences] {
        const QSignalBlocker blocker(paste);
        paste->setChecked(preferences->pasteAfterChoosing());
    };
    showPaste();
    connect(preferences, &Preferences::pasteAfterChoosingChanged, paste, showPaste);
    connect(paste, &QCheckBox::toggled, preferences, &Preferences::setPasteAfterChoosing);
}

void GeneralSettingsPage::showLaunchStatus()
{
    LaunchAtLoginManager *manager = view()->services().launchAtLogin;
    const bool approval = manager && manager->requiresApproval();
    const std::optional<QString> error = manager ? manager->errorMessage() : std::nullopt;
    {
        const QSignalBlocker blocker(m_launchToggle);
        m_launchToggle->setChecked(manager && manager->isEnabled());
    }
    m_launchToggle->setEnabled(manager != nullptr);
    if (approval && !m_approvalShown)
        Log::note(QStringLiteral("settings show the login item waiting for approval"));
    m_approvalShown = approval;
    m_approvalRow->setVisible(approval);
    m_errorRow->setVisible(!approval && error.has_value());
    m_errorText->setText(error.value_or(QString()));
}

void GeneralSettingsPage::addLanguageGroup()
{
    LanguageManager *languages = view()->services().languages;
    SettingsGroup *group = addGroup(L("Idioma"));
    QComboBox *picker = group->addPicker(QStringLiteral("globe"), SettingsBadge::Purple, L("Idioma do Aplicativo"));
    picker->setObjectName(QStringLiteral("languagePicker"));
    const char *names[] = {"Seguir o Sistema", "Português (Brasil)", "English", "Español", "Italiano", "日本語"};
    const QStringList codes = languageCodes();
    for (int i = 0; i < codes.size(); ++i)
        picker->addItem(L(names[i]), codes.at(i));
    if (!languages) {
        picker->setEnabled(false);
        return;
    }
    picker->setCurrentIndex(qMax(0, codes.indexOf(languages->currentLanguage())));
    // The manager's change rebuilds this page (and the whole window) in the new language.
    connect(picker, &QComboBox::activated, languages, [this, languages, picker](int index) {
        view()->restoreFocusAfterRebuild(picker->objectName());
        languages->setLanguage(picker->itemData(index).toString());
    });
}

void GeneralSettingsPage::addAppearanceGroup()
{
    AppearanceManager *appearance = view()->services().appearance;
    SettingsGroup *group = addGroup(QString());
    QComboBox *picker = group->addPicker(QStringLiteral("circle.lefthalf.filled"), SettingsBadge::Gray, L("Aparência"));
    picker->setObjectName(QStringLiteral("appearancePicker"));
    const char *names[] = {"Seguir o Sistema", "Claro", "Escuro"};
    const QStringList codes = appearanceCodes();
    for (int i = 0; i < codes.size(); ++i)
        picker->addItem(L(names[i]), codes.at(i));
    if (!appearance) {
        picker->setEnabled(false);
        return;
    }
    picker->setCurrentIndex(qMax(0, codes.indexOf(appearance->currentAppearance())));
    connect(picker, &QComboBox::activated, appearance, [this, appearance, picker](int index) {
        view()->restoreFocusAfterRebuild(picker->objectName());
        appearance->setAppearance(picker->itemData(index).toString());
    });
}

void GeneralSettingsPage::addDataGroup()
{
    SettingsGroup *group = addGroup(L("Gerenciamento de Dados"));
    auto *clear = new QPushButton(L("Limpar Todo o Histórico de Transferência"));
    clear->setObjectName(QStringLiteral("clearHistory"));
    clear->setAccessibleName(clear->text());
    clear->setFlat(true);
    clear->setStyleSheet(QStringLiteral("QPushButton { text-align: left; padding: 2px 0; }"));
    QPalette destructive = clear->palette();
    destructive.setColor(QPalette::ButtonText, PopoverStyle::destructiveText(palette()));
    clear->setPalette(destructive);
    connect(clear, &QPushButton::clicked, view(), &SettingsView::showClearConfirmation);
    group->addBadgeRow(QStringLiteral("trash.fill"), SettingsBadge::Red, clear);
}
