#include "views/guide/HelpPages.h"

#include "support/Localization.h"
#include "views/widgets/Divider.h"
#include "views/widgets/PopoverStyle.h"
#include "views/widgets/SymbolIcon.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

struct Bullet
{
    QString title;
    QString description;
};

QLabel *text(const QString &content, const QFont &font, QWidget *parent)
{
    auto *label = new QLabel(content, parent);
    label->setFont(font);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QLabel *secondaryText(const QString &content, const QFont &font, QWidget *parent)
{
    QLabel *label = text(content, font, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, PopoverStyle::secondary(parent->palette()));
    label->setPalette(palette);
    return label;
}

// The fonts of the pages, by role, from the window's own font.
QFont body(const QWidget *widget)
{
    return PopoverStyle::font(widget->font(), 13);
}

QFont headline(const QWidget *widget)
{
    return PopoverStyle::font(widget->font(), 13, QFont::DemiBold);
}

QLabel *pageTitle(const QString &title, QWidget *parent)
{
    return text(title, PopoverStyle::font(parent->font(), 28, QFont::Bold), parent);
}

QWidget *bullet(const Bullet &point, QWidget *parent)
{
    auto *widget = new QWidget(parent);
    auto *column = new QVBoxLayout(widget);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    column->addWidget(text(point.title, headline(parent), widget));
    column->addWidget(secondaryText(point.description, body(parent), widget));
    return widget;
}

void addBullets(QVBoxLayout *column, const QList<Bullet> &points, QWidget *parent)
{
    for (const Bullet &point : points)
        column->addWidget(bullet(point, parent));
}

QVBoxLayout *stack(int spacing)
{
    auto *column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    return column;
}

// The shortcut table: a faint rounded card with its outline, a header row and a line under
// every row.
class ShortcutTable : public QWidget
{
public:
    static constexpr int KeysWidth = 260;

    ShortcutTable(const QList<ShortcutItem> &rows, QWidget *parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("shortcutTable"));
        auto *column = stack(0);
        setLayout(column);
        const QFont header = PopoverStyle::font(font(), 12, QFont::Bold);
        column->addWidget(row(text(L("Ação"), header, this), text(L("Atalho"), header, this)));
        column->addWidget(new Divider(0, this));
        QFont keys = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        keys.setPixelSize(13);
        for (const ShortcutItem &item : rows) {
            QLabel *action = text(item.action, body(this), this);
            action->setObjectName(QStringLiteral("shortcutAction"));
            QLabel *shortcut = text(item.shortcut, keys, this);
            QPalette palette = shortcut->palette();
            palette.setColor(QPalette::WindowText, PopoverStyle::keysText(this->palette()));
            shortcut->setPalette(palette);
            column->addWidget(row(action, shortcut));
            column->addWidget(new Divider(0, this));
        }
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        painter.fillPath(shape, PopoverStyle::tableFill(palette()));
        painter.setPen(QPen(PopoverStyle::tint(palette(), 0.08), 1));
        painter.drawPath(shape);
    }

private:
    QWidget *row(QLabel *action, QLabel *shortcut)
    {
        auto *widget = new QWidget(this);
        auto *line = new QHBoxLayout(widget);
        line->setContentsMargins(12, 10, 12, 10);
        line->addWidget(action, 1);
        shortcut->setFixedWidth(KeysWidth);
        line->addWidget(shortcut);
        return widget;
    }
};

void welcome(QVBoxLayout *page, QWidget *parent)
{
    page->addWidget(pageTitle(L("Bem-vindo ao Kavla"), parent));
    page->addWidget(text(L("O Kavla é um gerenciador de área de transferência (clipboard) nativo, ultrarrápido e "
                           "discreto, projetado sob medida para o macOS dentro do ecossistema Tarnwick."),
                         body(parent), parent));
    page->addWidget(new Divider(0, parent));
    QVBoxLayout *highlights = stack(14);
    highlights->addWidget(text(L("Destaques Principais"), PopoverStyle::font(parent->font(), 20, QFont::DemiBold), parent));
    addBullets(highlights,
               {{L("Menu Bar Nativa"), L("Fica disponível diretamente na barra de menus do Mac, ocupando zero espaço no Dock.")},
                {L("Seleção Rápida por Atalhos"), L("Pressione Command de 1 a 0 com o menu aberto para mover itens de volta à área de transferência.")},
                {L("Proteção de Aplicativos"), L("Selecione aplicativos como gerenciadores de senhas para ignorar qualquer cópia automaticamente.")},
                {L("Suporte a Textos e Imagens"), L("Guarda tanto trechos textuais com metadados quanto imagens copiadas.")}},
               parent);
    page->addLayout(highlights);
}

void whatsNew(QVBoxLayout *page, QWidget *parent)
{
    page->addWidget(pageTitle(L("O que há de novo no Kavla"), parent));
    page->addWidget(secondaryText(L("Versão 1.0.0"), headline(parent), parent));
    QVBoxLayout *points = stack(12);
    addBullets(points,
               {{L("Lançamento Oficial"), L("Primeira versão do Kavla com gerenciamento dinâmico de clipboard.")},
                {L("Atalhos Cmd+1 a Cmd+0"), L("Acesso instantâneo aos 10 itens mais recentes do histórico.")},
                {L("Filtro de Aplicativos"), L("Blacklist de segurança para ignorar aplicativos sensíveis.")},
                {L("Itens Fixados"), L("Fixe um item pelo menu do botão direito e o limite do histórico nunca o remove.")},
                {L("Janela do Histórico"), L("Veja cada item por completo, copie-o de novo ou exclua-o (Ctrl+H no menu do ícone).")}},
               parent);
    page->addLayout(points);
}

void menuBar(QVBoxLayout *page, QWidget *parent)
{
    page->addWidget(pageTitle(L("Uso na Barra de Menus"), parent));
    page->addWidget(text(L("O Kavla funciona a partir do ícone na barra de menus do macOS:"), body(parent), parent));
    addBullets(page,
               {{L("Clique Esquerdo"), L("Abre o painel suspenso com a lista das últimas X informações copiadas.")},
                {L("Clique Direito"), L("Abre um menu contextual para acessar Ajustes, Ajuda ou Encerrar o app.")},
                {L("Atalho Global"), L("Pressione ⌘⇧V (ou seu atalho configurado) de qualquer lugar para invocar o painel.")},
                {L("Fixar e Desafixar"), L("Clique com o botão direito num item do painel ou da Janela do Histórico e escolha Fixar: um item "
                 "fixado mantém seu lugar e nunca é removido pelo limite do histórico.")},
                {L("Janela do Histórico"), L("A Janela do Histórico mostra cada item por completo. Nela, as setas escolhem um item, Ctrl+C o copia de "
                 "novo e Delete o exclui.")}},
               parent);
}

void shortcuts(QVBoxLayout *page, const QList<ShortcutItem> &rows, QWidget *parent)
{
    auto *symbol = new QLabel(parent);
    symbol->setPixmap(SymbolIcon::pixmap(QStringLiteral("keyboard"), PopoverStyle::accent(parent->palette()), 36,
                                         parent->devicePixelRatioF() > 1 ? parent->devicePixelRatioF() : 2.0));
    page->addWidget(symbol);
    page->addWidget(text(L("Atalhos de Teclado do Kavla"), PopoverStyle::font(parent->font(), 22, QFont::Bold), parent));
    page->addWidget(text(L("O Kavla foi desenvolvido para ser utilizado quase que inteiramente através de atalhos ágeis, "
                           "permitindo recuperar conteúdos copiados sem tirar a mão do teclado."),
                         body(parent), parent));
    page->addWidget(new ShortcutTable(rows, parent));
}

void ignoredApps(QVBoxLayout *page, QWidget *parent)
{
    page->addWidget(pageTitle(L("Aplicativos Ignorados"), parent));
    page->addWidget(text(L("Mantenha senhas e dados confidenciais fora do seu histórico:"), body(parent), parent));
    addBullets(page,
               {{L("Como funciona"), L("Ao copiar qualquer texto ou imagem a partir de um aplicativo configurado como ignorado, o Kavla "
                 "descarta a informação imediatamente.")},
                {L("Adicionar Aplicativos"), L("Vá em Ajustes > Aplicativos e clique em 'Adicionar Aplicativo de /Applications...' ou escolha entre os "
                 "aplicativos em execução.")},
                {L("Cópias Marcadas por Gerenciadores de Senhas"), L("Uma cópia que o gerenciador de senhas marca como secreta (KeePassXC, KDE Wallet, wl-copy --sensitive) "
                 "nunca é gravada, qualquer que seja a janela em primeiro plano.")},
                {L("Senhas Apagadas Logo Após a Cópia"), L("Ferramentas que apagam a área de transferência pouco depois de copiar uma senha "
                 "(keepassxc-cli, pass, Bitwarden) não a marcam: o Kavla esquece essa cópia quando a área de transferência é "
                 "esvaziada em até 90 segundos ou quando o conteúdo anterior volta (Ajustes > Geral > Comportamento).")}},
               parent);
}

void settings(QVBoxLayout *page, QWidget *parent)
{
    page->addWidget(pageTitle(L("Capacidade e Configurações"), parent));
    page->addWidget(text(L("Personalize a capacidade do histórico:"), body(parent), parent));
    addBullets(page,
               {{L("Quantidade Máxima (X)"), L("Em Ajustes > Geral, defina quantos itens você deseja guardar (de 5 a 200).")},
                {L("Feedback Sonoro"), L("Receba uma confirmação sonora ao selecionar e copiar um item antigo.")},
                {L("Limpar Histórico"), L("Apague todos os dados salvos com segurança quando desejar.")},
                {L("Manter a Área de Transferência"), L("Quando o aplicativo que fez a última cópia gravada fecha, o Kavla a põe de volta na área de "
                 "transferência na hora (Ajustes > Geral > Comportamento).")},
                {L("Colar ao Escolher"), L("Com a colagem automática ligada em Ajustes > Geral, o item escolhido no painel também é colado na "
                 "janela que estava em primeiro plano.")}},
               parent);
}

void copyright(QVBoxLayout *page, QWidget *parent)
{
    page->addWidget(pageTitle(L("Direitos autorais e termos"), parent));
    page->addWidget(text(L("Kavla é uma criação oficial da marca Tarnwick."), body(parent), parent));
    page->addWidget(secondaryText(L("© 2025 Tarnwick. Todos os direitos reservados.") + QLatin1Char('\n')
                                      + L("Apple, o logotipo da Apple, Mac e macOS são marcas registradas da Apple Inc. "
                                          "nos Estados Unidos e em outros países."),
                                  PopoverStyle::font(parent->font(), 12), parent));
}

} // namespace

namespace HelpPages {

QWidget *build(HelpTopic topic, const QList<ShortcutItem> &shortcutRows, QWidget *parent)
{
    auto *page = new QWidget(parent);
    page->setObjectName(QStringLiteral("helpPage-") + HelpTopics::rawValue(topic));
    QVBoxLayout *column = stack(topic == HelpTopic::Shortcuts ? 16 : 20);
    page->setLayout(column);
    switch (topic) {
    case HelpTopic::Welcome:
        welcome(column, page);
        break;
    case HelpTopic::WhatsNew:
        whatsNew(column, page);
        break;
    case HelpTopic::MenuBar:
        menuBar(column, page);
        break;
    case HelpTopic::Shortcuts:
        shortcuts(column, shortcutRows, page);
        break;
    case HelpTopic::IgnoredApps:
        ignoredApps(column, page);
        break;
    case HelpTopic::Settings:
        settings(column, page);
        break;
    case HelpTopic::Copyright:
        copyright(column, page);
        break;
    }
    return page;
}

} // namespace HelpPages
