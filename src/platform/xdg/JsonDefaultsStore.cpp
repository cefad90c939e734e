#include "platform/xdg/JsonDefaultsStore.h"

#include "support/Log.h"
#include "support/RegularFileReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

#include <cmath>
#include <optional>

#include <sys/stat.h>

namespace {

const QString TypeMember = QStringLiteral("type");
const QString ValueMember = QStringLiteral("value");
const QString BooleanType = QStringLiteral("boolean");
const QString IntegerType = QStringLiteral("integer");
const QString DoubleType = QStringLiteral("double");
const QString StringType = QStringLiteral("string");
const QString StringArrayType = QStringLiteral("stringArray");
const QString DataType = QStringLiteral("data");

// JSON has no spelling for these, so a double that holds one is written as a string.
const QString NotANumber = QStringLiteral("nan");
const QString PositiveInfinity = QStringLiteral("inf");
const QString NegativeInfinity = QStringLiteral("-inf");

std::optional<qint64> wholeNumber(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    // toInteger() answers its fallback unless the number is whole and fits in qint64, so two
    // different fallbacks agree only for such a number (and keep its exact value past 2^53).
    const qint64 first = value.toInteger(0);
    if (first != value.toInteger(1))
        return std::nullopt;
    return first;
}

std::optional<QStringList> stringList(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    QStringList strings;
    for (const QJsonValue element : value.toArray()) {
        if (!element.isString())
            return std::nullopt;
        strings.append(element.toString());
    }
    return strings;
}

QVariant decodeTagged(const QJsonObject &entry)
{
    const QString type = entry.value(TypeMember).toString();
    const QJsonValue value = entry.value(ValueMember);
    if (type == BooleanType && value.isBool())
        return QVariant(value.toBool());
    if (type == IntegerType) {
        if (const auto number = wholeNumber(value))
            return QVariant(*number);
        return {};
    }
    if (type == DoubleType) {
        if (value.isDouble())
            return QVariant(value.toDouble());
        const QString text = value.toString();
        if (text == NotANumber)
            return QVariant(std::nan(""));
        if (text == PositiveInfinity)
            return QVariant(HUGE_VAL);
        if (text == NegativeInfinity)
            return QVariant(-HUGE_VAL);
        return {};
    }
    if (type == StringType && value.isString())
        return QVariant(value.toString());
    if (type == StringArrayType) {
        if (const auto strings = stringList(value))
            return QVariant(*strings);
        return {};
    }
    if (type == DataType && value.isString()) {
        const auto decoded = QByteArray::fromBase64Encoding(value.toString().toLatin1(),
                                                            QByteArray::AbortOnBase64DecodingErrors);
        if (decoded)
            return QVariant(decoded.decoded);
    }
    return {};
}

// A stored value, tagged or written by hand; invalid when it is neither.
QVariant decode(const QJsonValue &value)
{
    if (value.isObject())
        return decodeTagged(value.toObject());
    if (value.isBool())
        return QVariant(value.toBool());
    if (value.isString())
        return QVariant(value.toString());
    if (value.isDouble()) {
        if (const auto number = wholeNumber(value))
            return QVariant(*number);
        return QVariant(value.toDouble());
    }
    if (const auto strings = stringList(value))
        return QVariant(*strings);
    return {};
}

QJsonObject tagged(const QString &type, const QJsonValue &value)
{
    return QJsonObject{{TypeMember, type}, {ValueMember, value}};
}

QJsonObject encode(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return tagged(BooleanType, value.toBool());
    case QMetaType::LongLong:
        return tagged(IntegerType, QJsonValue(value.toLongLong()));
    case QMetaType::Double: {
        const double number = value.toDouble();
        if (std::isnan(number))
            return tagged(DoubleType, NotANumber);
        if (std::isinf(number))
            return tagged(DoubleType, number > 0 ? PositiveInfinity : NegativeInfinity);
        return tagged(DoubleType, number);
    }
    case QMetaType::QStringList:
        return tagged(StringArrayType, QJsonArray::fromStringList(value.toStringList()));
    case QMetaType::QByteArray:
        return tagged(DataType, QString::fromLatin1(value.toByteArray().toBase64()));
    default:
        return tagged(StringType, value.toString());
    }
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    // QVariant compares numbers across types (true == 1), but a change of type is a change.
    return a.metaType() == b.metaType() && a == b;
}

} // namespace

JsonDefaultsStore::JsonDefaultsStore(const QString &filePath, QObject *parent)
    : DefaultsStore(parent)
    , m_filePath(filePath)
    , m_saveTimer(this) // a child, so it follows the store to another thread
{
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(SaveDelay);
    connect(&m_saveTimer, &QTimer::timeout, this, &JsonDefaultsStore::flush);
    load();
}

JsonDefaultsStore::~JsonDefaultsStore()
{
    JsonDefaultsStore::flush();
}

QString JsonDefaultsStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/kavla/defaults.json");
}

QVariant JsonDefaultsStore::object(const QString &key) const
{
    return m_values.value(key);
}

void JsonDefaultsStore::set(const QString &key, const QVariant &value)
{
    if (!value.isValid()) {
        remove(key);
        return;
    }
    const QVariant canonical = canonicalValue(value);
    if (!canonical.isValid()) {
        Log::note(QStringLiteral("Not storing preference \"%1\": a value of type %2 cannot be kept")
                      .arg(key, QString::fromLatin1(value.typeName())));
        return;
    }
    const auto existing = m_values.constFind(key);
    if (existing != m_values.constEnd() && sameValue(*existing, canonical))
        return;
    m_values.insert(key, canonical);
    m_unreadableEntries.remove(key);
    scheduleSave();
    Q_EMIT valueChanged(key);
}

void JsonDefaultsStore::remove(const QString &key)
{
    const bool hadValue = m_values.remove(key) > 0;
    const bool hadUnreadable = m_unreadableEntries.contains(key);
    if (!hadValue && !hadUnreadable)
        return;
    m_unreadableEntries.remove(key);
    scheduleSave();
    Q_EMIT valueChanged(key);
}

void JsonDefaultsStore::flush()
{
    m_saveTimer.stop();
    if (!m_unsavedChanges)
        return;
    if (save()) {
        m_unsavedChanges = false;
        ++m_writeCount;
    }
}

void JsonDefaultsStore::load()
{
    // Only a regular file of a sane size is read: a FIFO would block the start for ever and a
    // link to a device or a huge file would fill memory; anything else is a damaged file.
    const RegularFileReader::Result file = RegularFileReader::read(m_filePath, MaxFileBytes);
    if (file.outcome == RegularFileReader::Outcome::Missing)
        return;
    QString problem = file.problem;
    const QByteArray &bytes = file.bytes;
    // A file that holds nothing at all has nothing to lose.
    if (problem.isEmpty() && bytes.trimmed().isEmpty())
        return;

    QJsonDocument document;
    if (problem.isEmpty()) {
        QJsonParseError parseError;
        document = QJsonDocument::fromJson(bytes, &parseError);
        if (parseError.error != QJsonParseError::NoError)
            problem = QStringLiteral("is not valid JSON (%1 at offset %2)")
                          .arg(parseError.errorString())
                          .arg(parseError.offset);
        else if (!document.isObject())
            problem = QStringLiteral("does not hold a JSON object");
    }

    if (!problem.isEmpty()) {
        // An earlier damaged copy is never replaced: each gets a name of its own.
        const auto taken = [](const QString &path) {
            const QFileInfo info(path);
            return info.exists() || info.isSymLink();
        };
        m_damagedCopyPath = m_filePath + QStringLiteral(".damaged");
        for (int suffix = 2; taken(m_damagedCopyPath); ++suffix)
            m_damagedCopyPath = m_filePath + QStringLiteral(".damaged.%1").arg(suffix);
        m_damagedFilePending = true;
        Log::note(QStringLiteral("The preferences file %1 %2; starting with default preferences. "
                                 "The file will be kept as %3 when preferences are next saved.")
                      .arg(m_filePath, problem, m_damagedCopyPath));
        return;
    }

    const QJsonObject root = document.object();
    QStringList unreadableKeys;
    for (auto it = root.constBegin(); it != root.constEnd(); ++it) {
        const QVariant value = decode(it.value());
        if (value.isValid()) {
            m_values.insert(it.key(), value);
        } else {
            m_unreadableEntries.insert(it.key(), it.value());
            unreadableKeys.append(it.key());
        }
    }
    if (!unreadableKeys.isEmpty())
        Log::note(QStringLiteral("The preferences file %1 has entries that cannot be read, which "
                                 "count as not set and are kept in the file as they are: %2")
                      .arg(m_filePath, unreadableKeys.join(QStringLiteral(", "))));
}

bool JsonDefaultsStore::moveDamagedFileAside()
{
    const QFileInfo original(m_filePath);
    if (!original.exists() && !original.isSymLink())
        return true;
    if (!QFile::rename(m_filePath, m_damagedCopyPath))
        return false;
    Log::note(QStringLiteral("The damaged preferences file is now %1.").arg(m_damagedCopyPath));
    return true;
}

bool JsonDefaultsStore::ensureFolder() const
{
    // Every folder this creates is private, as the XDG base directory rules ask.
    const QString folder = QFileInfo(m_filePath).absolutePath();
    QStringList missing;
    QString existing = folder;
    while (!QFileInfo(existing).exists()) {
        missing.prepend(existing);
        const QString parent = QFileInfo(existing).absolutePath();
        if (parent == existing)
            return false;
        existing = parent;
    }
    if (!QFileInfo(existing).isDir())
        return false;
    const auto privateFolder = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    for (const QString &path : std::as_const(missing)) {
        if (!QDir().mkdir(path, privateFolder) && !QFileInfo(path).isDir())
            return false;
    }
    return true;
}

void JsonDefaultsStore::scheduleSave()
{
    m_unsavedChanges = true;
    // Armed by the first unwritten change only, so a steady stream of changes still gets written.
    if (!m_saveTimer.isActive())
        m_saveTimer.start();
}

bool JsonDefaultsStore::save()
{
    const auto fail = [this](const QString &reason) {
        Log::note(QStringLiteral("Could not save preferences to %1 (%2); the changes hold in "
                                 "memory and saving is tried again with the next change and at "
                                 "quit.")
                      .arg(m_filePath, reason));
        return false;
    };

    if (m_damagedFilePending) {
        if (!moveDamagedFileAside())
            return fail(QStringLiteral("the damaged file could not be moved to %1").arg(m_damagedCopyPath));
        m_damagedFilePending = false;
    }
    if (!ensureFolder())
        return fail(QStringLiteral("its folder cannot be created"));

    QJsonObject root = m_unreadableEntries;
    for (auto it = m_values.constBegin(); it != m_values.constEnd(); ++it)
        root.insert(it.key(), encode(it.value()));

    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    // The temporary file is created with the umask's mode; the preferences are private.
    if (::fchmod(file.handle(), S_IRUSR | S_IWUSR) != 0) {
        file.cancelWriting();
        return fail(QStringLiteral("its mode cannot be set to 0600"));
    }
    file.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    if (!file.commit())
        return fail(file.errorString());
    return true;
}
