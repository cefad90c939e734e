#include "KavlaProcess.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QUuid>

QString kavlaBinary()
{
    return QStringLiteral(KAVLA_BINARY);
}

KavlaProcess::KavlaProcess(SameSession session)
    : m_environment(session.running.m_environment)
{
}

KavlaProcess::KavlaProcess(const QProcessEnvironment &environment)
    : m_environment(environment)
{
    m_environment.insert(QStringLiteral("XDG_DATA_HOME"), m_root.path() + QStringLiteral("/data"));
    m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root.path() + QStringLiteral("/config"));
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_root.path() + QStringLiteral("/run"));
    m_environment.insert(QStringLiteral("HOME"), m_root.path());
    QDir().mkpath(dataHome());
    QDir().mkpath(configHome());
    QDir().mkpath(runtimeDir());
    QFile::setPermissions(runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Leak reports of the sanitizer build would otherwise change the exit status of a clean quit
    // for leaks inside system libraries.
    m_environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    // Qt sends categorized diagnostics to the journal when standard error has no terminal; the
    // tests read them on standard error.
    m_environment.insert(QStringLiteral("QT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
}

KavlaProcess::~KavlaProcess()
{
    if (m_process && m_process->state() != QProcess::NotRunning)
        kill();
}

bool KavlaProcess::start(const QStringList &arguments)
{
    m_output.clear();
    m_errors.clear();
    m_process = std::make_unique<QProcess>();
    m_process->setProcessEnvironment(m_environment);
    m_process->start(kavlaBinary(), arguments);
    return m_process->waitForStarted(10000);
}

bool KavlaProcess::startReady(int timeoutMs)
{
    return start() && waitForOutput(QStringLiteral("ready"), timeoutMs);
}

bool KavlaProcess::startWithHistory(const QStringList &texts, const QByteArray &preferences)
{
    return startReady() && terminate() == 0 && seedHistory(texts)
        && (preferences.isEmpty() || writePreferences(preferences)) && startReady();
}

void stopProcess(std::unique_ptr<QProcess> &process)
{
    if (process && process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(3000)) {
            process->kill();
            process->waitForFinished(3000);
        }
    }
    process.reset();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray pngBytes(int width, int height, bool pattern)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(30, 90, 160));
    for (int y = 0; pattern && y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x * y) % 256));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

CommandAnswer kavlaCommand(QProcessEnvironment environment, const QString &arguments, const QByteArray &input)
{
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(kavlaBinary(), arguments.split(u' '));
    process.write(input);
    process.closeWriteChannel();
    CommandAnswer answer;
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished(3000);
        return answer;
    }
    answer.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    answer.out = process.readAllStandardOutput();
    answer.errors = QString::fromUtf8(process.readAllStandardError());
    return answer;
}

bool KavlaProcess::writePreferences(const QByteArray &json) const
{
    return writeFile(preferencesPath(), json);
}

QJsonValue KavlaProcess::storedPreference(const QString &key) const
{
    QFile file(preferencesPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object().value(key).toObject().value(QStringLiteral("value"));
}

bool KavlaProcess::installApplication(const QString &id, const QByteArray &keys) const
{
    return writeFile(dataHome() + QStringLiteral("/applications/") + id + QStringLiteral(".desktop"),
                     "[Desktop Entry]\nType=Application\nExec=true\n" + keys);
}

void KavlaProcess::collect()
{
    if (!m_process)
        return;
    m_output += QString::fromUtf8(m_process->readAllStandardOutput());
    m_errors += QString::fromUtf8(m_process->readAllStandardError());
}

bool KavlaProcess::waitUntil(const std::function<bool()> &seen, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        collect();
        if (seen())
            return true;
        if (deadline.hasExpired() || m_process->state() == QProcess::NotRunning)
            return false;
        m_process->waitForReadyRead(50);
    }
}

bool KavlaProcess::waitForOutput(const QString &text, int timeoutMs)
{
    return waitUntil([&] { return m_output.contains(text) || m_errors.contains(text); }, timeoutMs);
}

bool KavlaProcess::waitForCount(const QString &text, int count, int timeoutMs)
{
    return waitUntil([&] { return m_errors.count(text) >= count; }, timeoutMs);
}

int KavlaProcess::waitForExit(int timeoutMs)
{
    if (m_process->state() != QProcess::NotRunning && !m_process->waitForFinished(timeoutMs))
        return -1;
    collect();
    return m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
}

int KavlaProcess::terminate(int timeoutMs)
{
    if (m_process->state() == QProcess::NotRunning)
        return waitForExit(0);
    m_process->terminate();
    const int status = waitForExit(timeoutMs);
    if (m_process->state() != QProcess::NotRunning) {
        kill();
        return -1;
    }
    return status;
}

void KavlaProcess::kill()
{
    m_process->kill();
    m_process->waitForFinished(5000);
    collect();
}

QString KavlaProcess::output()
{
    collect();
    return m_output;
}

QString KavlaProcess::errors()
{
    collect();
    return m_errors;
}

qint64 KavlaProcess::pid() const
{
    return m_process ? m_process->processId() : 0;
}

// Runs `work` on a connection of its own to the history database at `path`, which must exist.
static bool onHistory(const QString &path, const QString &options, const std::function<bool(QSqlQuery &)> &work)
{
    const QString name = QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(options);
        if (QFile::exists(path) && db.open()) {
            QSqlQuery query(db);
            ok = work(query);
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

QStringList KavlaProcess::query(const QString &sql) const
{
    QStringList rows;
    onHistory(databasePath(), QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"), [&](QSqlQuery &query) {
        for (bool more = query.exec(sql) && query.next(); more; more = query.next()) {
            QStringList fields;
            for (int i = 0; i < query.record().count(); ++i)
                fields << query.value(i).toString();
            rows << fields.join(QLatin1Char('|'));
        }
        return true;
    });
    return rows;
}

bool KavlaProcess::seedHistory(const QStringList &texts) const
{
    return onHistory(databasePath(), {}, [&](QSqlQuery &insert) {
        bool ok = insert.prepare(QStringLiteral(
            "INSERT INTO ClipboardItem (id, createdAt, copiedAt, contentType, textContent, imageData, filePaths,"
            " sourceAppBundleId, sourceAppName, charCount, wordCount, imageWidth, imageHeight, isPinned)"
            " VALUES (?, ?, ?, 'text', ?, NULL, NULL, 'org.example.Editor', 'Editor', ?, 1, 0, 0, 0)"));
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        for (int i = 0; ok && i < texts.size(); ++i) {
            insert.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
            insert.addBindValue(now - 60000 * (i + 1));
            insert.addBindValue(now - 60000 * (i + 1));
            insert.addBindValue(texts.at(i));
            insert.addBindValue(texts.at(i).size());
            ok = insert.exec();
        }
        return ok;
    });
}

bool KavlaProcess::waitForQuery(const QString &sql, const QString &expected, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const QStringList rows = query(sql);
        if (!rows.isEmpty() && rows.first() == expected)
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(25);
    }
}
