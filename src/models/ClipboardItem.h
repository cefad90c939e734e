#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <memory>
#include <optional>

class ModelContext;
class RecordContext;

// One entry of the clipboard history, a record of the history store. Records are shared
// (std::shared_ptr) and compared by identity: two pointers are the same entry only when they are
// the same object, which the store guarantees for records of the same id.
//
// Setters mark the field as changed; the owning context writes changed fields at its next save.
// Image bytes of a stored record are not kept in memory: imageData() reads them from the store
// each time it is called. Nor is a stored text longer than HeldTextLimit: the record keeps its
// beginning for titles and previews, and textContent() reads the whole text from the store.
class ClipboardItem : public std::enable_shared_from_this<ClipboardItem>
{
public:
    // The kinds of entry, exactly as stored in contentType.
    static inline const QString TextType = QStringLiteral("text");
    static inline const QString ImageType = QStringLiteral("image");
    static inline const QString TableType = QStringLiteral("table");
    static inline const QString FileType = QStringLiteral("file");

    // Longest text (in UTF-16 units) a stored record keeps in memory; a longer one keeps only
    // its first SummaryLength units.
    static constexpr qsizetype HeldTextLimit = 8192;
    static constexpr qsizetype SummaryLength = 2048;

    ClipboardItem(const QUuid &id, const QDateTime &createdAt, const QDateTime &copiedAt,
                  const QString &contentType, const std::optional<QString> &textContent,
                  const std::optional<QByteArray> &imageData,
                  const std::optional<QStringList> &filePaths,
                  const std::optional<QString> &sourceAppBundleId,
                  const std::optional<QString> &sourceAppName, qint64 charCount, qint64 wordCount,
                  double imageWidth, double imageHeight, bool isPinned);

    ClipboardItem(const ClipboardItem &) = delete;
    ClipboardItem &operator=(const ClipboardItem &) = delete;

    QUuid id() const { return m_id; }
    // The id as the store holds it: the UUID's text, or, for a row of a damaged history whose id
    // is not a UUID, that row's own text (its id() is then derived from it, one per row).
    QString storedId() const;
    QDateTime createdAt() const { return m_createdAt; }
    QDateTime copiedAt() const { return m_copiedAt; }
    QString contentType() const { return m_contentType; }
    // The whole text: held, or read from the store for a long stored one.
    std::optional<QString> textContent() const;
    // The same as UTF-8, read from the store as it is kept there: a long text is never held in
    // a second encoding.
    std::optional<QByteArray> textContentUtf8() const;
    bool hasTextContent() const { return m_textContent.has_value() || m_textInStore; }
    // False for a long stored text, whose content lives in the store only.
    bool isTextHeld() const { return m_textContent.has_value(); }
    // The held text, or the beginning of one kept in the store: what titles are made of.
    QString textSummary() const;
    std::optional<QByteArray> imageData() const;
    bool hasImageData() const { return m_hasImageData; }
    qint64 imageDataSize() const { return m_imageDataSize; }
    std::optional<QStringList> filePaths() const { return m_filePaths; }
    std::optional<QString> sourceAppBundleId() const { return m_sourceAppBundleId; }
    std::optional<QString> sourceAppName() const { return m_sourceAppName; }
    qint64 charCount() const { return m_charCount; }
    qint64 wordCount() const { return m_wordCount; }
    double imageWidth() const { return m_imageWidth; }
    double imageHeight() const { return m_imageHeight; }
    bool isPinned() const { return m_isPinned; }

    void setCreatedAt(const QDateTime &value);
    void setCopiedAt(const QDateTime &value);
    void setContentType(const QString &value);
    void setTextContent(const std::optional<QString> &value);
    // The same from valid UTF-8. A text longer than HeldTextLimit is kept in that form, never
    // decoded whole, until it is saved: a copy of hundreds of megabytes is not held twice.
    void setTextContentUtf8(const QByteArray &utf8);
    void setImageData(const std::optional<QByteArray> &value);
    void setFilePaths(const std::optional<QStringList> &value);
    void setSourceAppBundleId(const std::optional<QString> &value);
    void setSourceAppName(const std::optional<QString> &value);
    void setCharCount(qint64 value);
    void setWordCount(qint64 value);
    void setImageWidth(double value);
    void setImageHeight(double value);
    void setIsPinned(bool value);

    bool isText() const { return m_contentType == TextType; }
    bool isImage() const { return m_contentType == ImageType; }
    bool isTable() const { return m_contentType == TableType; }
    bool isFile() const { return m_contentType == FileType; }

    QString displayTitle() const;
    QString previewText() const;
    QString formattedTime() const;
    QString formattedTime(const QDateTime &now) const;

    // Counts used at capture: user-perceived characters (grapheme clusters) and words separated
    // by Unicode white space.
    static qint64 characterCount(const QString &text);
    static qint64 countWords(const QString &text);
    // Both, and the length in UTF-16 units, of valid UTF-8, decoded a slice at a time.
    struct TextCounts
    {
        qint64 units = 0;
        qint64 characters = 0;
        qint64 words = 0;
    };
    static TextCounts countUtf8(QByteArrayView utf8);
    // The length in UTF-16 units of valid UTF-8, without decoding it.
    static qint64 utf16Length(QByteArrayView utf8);
    // The first `limit` user-perceived characters of a one-line, trimmed version of text,
    // followed by "…" when it was longer.
    static QString singleLineSummary(const QString &text, qsizetype limit);

    // Bookkeeping for the store.
    enum Field : unsigned {
        CreatedAtField = 1u << 0,
        CopiedAtField = 1u << 1,
        ContentTypeField = 1u << 2,
        TextContentField = 1u << 3,
        ImageDataField = 1u << 4,
        FilePathsField = 1u << 5,
        SourceAppBundleIdField = 1u << 6,
        SourceAppNameField = 1u << 7,
        CharCountField = 1u << 8,
        WordCountField = 1u << 9,
        ImageWidthField = 1u << 10,
        ImageHeightField = 1u << 11,
        IsPinnedField = 1u << 12,
    };
    unsigned changedFields() const { return m_changedFields; }

private:
    friend class ModelContext;

    void markChanged(Field field);
    QString summaryOfText(qsizetype limit) const;
    // Once saved, a long text is dropped from memory and its beginning kept.
    void releaseLongText();

    QUuid m_id;
    std::optional<QString> m_storedId; // set only when the stored id is not m_id's text
    QDateTime m_createdAt;
    QDateTime m_copiedAt;
    QString m_contentType;
    std::optional<QString> m_textContent;
    QByteArray m_pendingTextUtf8; // a long text not yet written to the store, as UTF-8
    QString m_textSummary; // the beginning of a text kept in the store (or pending) only
    bool m_textInStore = false;
    std::optional<QByteArray> m_pendingImageData; // bytes not yet written to the store
    bool m_hasImageData = false;
    qint64 m_imageDataSize = 0;
    std::optional<QStringList> m_filePaths;
    std::optional<QString> m_sourceAppBundleId;
    std::optional<QString> m_sourceAppName;
    qint64 m_charCount = 0;
    qint64 m_wordCount = 0;
    double m_imageWidth = 0;
    double m_imageHeight = 0;
    bool m_isPinned = false;

    unsigned m_changedFields = 0;
    QPointer<RecordContext> m_context; // set once inserted; records changes, reads image bytes
};

using ClipboardItemPtr = std::shared_ptr<ClipboardItem>;
