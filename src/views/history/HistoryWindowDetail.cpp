#include "views/history/HistoryWindowDetail.h"

#include "platform/Workspace.h"
#include "store/ModelContext.h"
#include "support/Localization.h"
#include "views/history/FullTextView.h"
#include "views/history/ImageFitView.h"
#include "views/widgets/Divider.h"
#include "views/widgets/PopoverStyle.h"
#include "views/widgets/SymbolIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
constexpr int SourceIconSize = 16;

QColor secondaryText(const QPalette &palette, qreal alpha)
{
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(float(alpha));
    return color;
}
// The image as the pane shows it: never larger than it can be drawn on a large screen, so a
// photograph of many megapixels is not kept whole while it is on show.
QImage imageForDisplay(const QByteArray &bytes)
{
    constexpr int MaxEdge = 4096;
    QImage image = QImage::fromData(bytes);
    if (image.width() > MaxEdge || image.height() > MaxEdge)
        image = image.scaled(MaxEdge, MaxEdge, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}
} // namespace

HistoryWindowDetail::HistoryWindowDetail(Workspace *workspace, QWidget *parent)
    : QWidget(parent)
    , m_workspace(workspace)
    , m_source(new QWidget(this))
    , m_sourceIcon(new QLabel(m_source))
    , m_sourceName(new QLabel(m_source))
    , m_time(new QLabel(this))
    , m_content(new QStackedWidget(this))
    , m_nothing(new QWidget(m_content))
    , m_text(new FullTextView(m_content))
    , m_image(new ImageFitView(m_content))
    , m_files(new QListWidget(m_content))
    , m_copy(new QPushButton(SymbolIcon::icon(QStringLiteral("doc.on.doc"), palette().color(QPalette::ButtonText)),
                             L("Copiar Novamente (Cmd+C)"), this))
    , m_pin(new QPushButton(SymbolIcon::icon(QStringLiteral("pin.fill"), PopoverStyle::orange(palette())), QString(), this))
    , m_delete(new QPushButton(SymbolIcon::icon(QStringLiteral("trash"), QColor(0xD7, 0x00, 0x15)), L("Excluir"), this))
{
    m_decoder.setMaxThreadCount(1);
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(16);

    auto *header = new QHBoxLayout;
    auto *sourceLayout = new QHBoxLayout(m_source);
    sourceLayout->setContentsMargins(0, 0, 0, 0);
    sourceLayout->setSpacing(6);
    sourceLayout->addWidget(m_sourceIcon);
    sourceLayout->addWidget(m_sourceName);
    m_sourceName->setObjectName(QStringLiteral("sourceAppName"));
    m_time->setObjectName(QStringLiteral("copiedAt"));
    QPalette secondary = palette();
    secondary.setColor(QPalette::WindowText, secondaryText(palette(), 0.75));
    m_sourceName->setPalette(secondary);
    m_time->setPalette(secondary);
    QFont caption = font();
    caption.setPointSizeF(font().pointSizeF() * 0.85);
    m_time->setFont(caption);
    m_time->setTextInteractionFlags(Qt::TextSelectableByMouse);
    header->addWidget(m_source);
    header->addStretch(1);
    header->addWidget(m_time);
    layout->addLayout(header);
    layout->addWidget(new Divider(0, this));

    m_text->setObjectName(QStringLiteral("fullText"));
    m_text->setAccessibleName(L("Conteúdo do item"));
    m_image->setObjectName(QStringLiteral("image"));
    m_image->setAccessibleName(L("Conteúdo do item"));
    m_files->setObjectName(QStringLiteral("files"));
    m_files->setAccessibleName(L("Arquivos e Pastas"));
    m_files->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_content->addWidget(m_nothing);
    m_content->addWidget(m_text);
    m_content->addWidget(m_image);
    m_content->addWidget(m_files);
    layout->addWidget(m_content, 1);

    auto *actions = new QHBoxLayout;
    // Not a default button: its frame would stay on while the focus is on another button.
    m_copy->setObjectName(QStringLiteral("copyAgain"));
    m_delete->setObjectName(QStringLiteral("delete"));
    actions->addWidget(m_copy);
    m_pin->setObjectName(QStringLiteral("pin"));
    m_pin->setCheckable(true);
    actions->addWidget(m_pin);
    actions->addStretch(1);
    actions->addWidget(m_delete);
    layout->addLayout(actions);
    connect(m_copy, &QPushButton::clicked, this, &HistoryWindowDetail::copyRequested);
    connect(m_delete, &QPushButton::clicked, this, &HistoryWindowDetail::deleteRequested);
    // The button shows the stored state; the click asks for the change, which comes back by
    // refreshHeader() once saved.
    connect(m_pin, &QPushButton::clicked, this, [this] {
        m_pin->setChecked(m_item && m_item->isPinned());
        Q_EMIT pinToggleRequested();
    });
}

QWidget *HistoryWindowDetail::shownContent() const
{
    QWidget *current = m_content->currentWidget();
    return current == m_nothing ? nullptr : current;
}

HistoryWindowDetail::~HistoryWindowDetail()
{
    // A decode under way still answers to this object: it ends before the object does.
    m_decoder.clear();
    m_decoder.waitForDone();
}

void HistoryWindowDetail::showItem(const ClipboardItemPtr &item)
{
    m_item = item;
    ++m_imageTicket;
    m_text->setFullText(QString());
    m_image->setImage({});
    m_files->clear();
    if (!item) {
        m_content->setCurrentWidget(m_nothing);
        return;
    }

    const QString name = item->sourceAppName().value_or(QString());
    m_source->setVisible(!name.isEmpty());
    m_sourceName->setText(name);
    QIcon icon;
    const QString bundleId = item->sourceAppBundleId().value_or(QString());
    if (m_workspace && !bundleId.isEmpty()) {
        if (const std::optional<QString> location = m_workspace->urlForApplication(bundleId))
            icon = m_workspace->iconForFile(*location);
    }
    m_sourceIcon->setPixmap(icon.isNull()
                                ? SymbolIcon::pixmap(QStringLiteral("app.badge"), m_sourceName->palette().color(QPalette::WindowText),
                                                     SourceIconSize, devicePixelRatioF())
                                : icon.pixmap(SourceIconSize, SourceIconSize));
    refreshHeader();

    if (item->isImage() && item->hasImageData()) {
        if (std::optional<QByteArray> bytes = item->imageData()) {
            // Decoded off the interface thread: a photograph of many megapixels takes seconds.
            m_content->setCurrentWidget(m_image);
            m_decoder.start([this, ticket = m_imageTicket, bytes = std::move(*bytes)] {
                const QImage image = imageForDisplay(bytes);
                QMetaObject::invokeMethod(this, [this, ticket, image] { imageDecoded(ticket, image); }, Qt::QueuedConnection);
            });
            return;
        }
    }
    showTextOrFiles(item);
}

void HistoryWindowDetail::imageDecoded(quint64 ticket, const QImage &image)
{
    if (ticket != m_imageTicket || !m_item)
        return; // another entry was chosen meanwhile
    if (image.isNull())
        showTextOrFiles(m_item);
    else
        m_image->setImage(image);
}

void HistoryWindowDetail::showTextOrFiles(const ClipboardItemPtr &item)
{
    if (item->hasTextContent()) {
        m_text->setFullText(item->textContent().value_or(QString()));
        m_content->setCurrentWidget(m_text);
        return;
    }
    if (const std::optional<QStringList> paths = item->filePaths(); paths && !paths->isEmpty()) {
        for (const QString &path : *paths) {
            auto *row = new QListWidgetItem(path, m_files);
            row->setToolTip(path);
            row->setData(Qt::UserRole, path);
        }
        m_content->setCurrentWidget(m_files);
        return;
    }
    m_content->setCurrentWidget(m_nothing);
}

void HistoryWindowDetail::refreshHeader()
{
    if (!m_item)
        return;
    m_pin->setChecked(m_item->isPinned());
    m_pin->setText(L(m_item->isPinned() ? "Desafixar" : "Fixar"));
    // The desktop's own locale, not the interface language: dates read as everywhere else.
    m_time->setText(QLocale::system().toString(m_item->copiedAt().toLocalTime(), QLocale::ShortFormat));
}

bool HistoryWindowDetail::isTextComplete() const
{
    return m_text->isComplete();
}
