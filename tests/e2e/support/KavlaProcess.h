#pragma once

#include <QJsonValue>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// The real kavla binary running with private XDG folders (data, config, runtime), so a test
// never touches the user's files. Output is collected so tests can wait for a line.
class KavlaProcess
{
public:
    // Runs with `environment` and fresh private XDG folders.
    explicit KavlaProcess(const QProcessEnvironment &environment);
    // Another launch in the same user session as `running`: the same folders.
    struct SameSession { const KavlaProcess &running; };
    explicit KavlaProcess(SameSession session);
    ~KavlaProcess();

    bool start(const QStringList &arguments = {});
    // Starts and waits until Kavla says it is ready.
    bool startReady(int timeoutMs = 30000);
    // Starts with a history of these text entries, the first one newest: a first run creates the
    // history, the entries (and the preferences file, when given) are written while Kavla is
    // stopped, and a second run lists them.
    bool startWithHistory(const QStringList &texts, const QByteArray &preferences = {});
    // Waits until standard output or error contains `text`; false on timeout or exit.
    bool waitForOutput(const QString &text, int timeoutMs = 10000);
    // Waits until `text` has appeared at least `count` times in standard error.
    bool waitForCount(const QString &text, int count, int timeoutMs = 10000);
    // Waits for the process to end by itself; returns its exit code, or -1 on timeout or crash.
    int waitForExit(int timeoutMs = 10000);
    // SIGTERM and wait for the exit code (-1 if it had to be killed).
    int terminate(int timeoutMs = 10000);
    void kill();

    QString output();  // standard output so far
    QString errors();  // standard error so far
    qint64 pid() const;

    QString dataHome() const { return m_environment.value(QStringLiteral("XDG_DATA_HOME")); }
    QString configHome() const { return m_environment.value(QStringLiteral("XDG_CONFIG_HOME")); }
    QString runtimeDir() const { return m_environment.value(QStringLiteral("XDG_RUNTIME_DIR")); }
    QString databasePath() const { return dataHome() + QStringLiteral("/kavla/history.sqlite"); }
    QString preferencesPath() const { return configHome() + QStringLiteral("/kavla/defaults.json"); }
    QProcessEnvironment environment() const { return m_environment; }
    // Changes one variable for the next start(); an empty value counts as unset for XDG ones.
    void setVariable(const QString &name, const QString &value) { m_environment.insert(name, value); }

    // Runs one SQL query on the history database (read-only) and returns the rows, fields
    // separated by '|'; empty on error.
    QStringList query(const QString &sql) const;
    // Writes text entries, the first one newest, a minute apart, into the history an earlier run
    // created (Kavla not running).
    bool seedHistory(const QStringList &texts) const;
    // Writes the preferences file, for the next start.
    bool writePreferences(const QByteArray &json) const;
    // The value stored under `key` in the preferences file, as Kavla wrote it.
    QJsonValue storedPreference(const QString &key) const;
    // Installs the desktop file of application `id`: an application entry with `keys` added.
    bool installApplication(const QString &id, const QByteArray &keys) const;
    // Polls `sql` until its first row equals `expected`.
    bool waitForQuery(const QString &sql, const QString &expected, int timeoutMs = 10000) const;

private:
    void collect();
    // Collects the output until `seen` holds; false on timeout or exit.
    bool waitUntil(const std::function<bool()> &seen, int timeoutMs);

    QTemporaryDir m_root;
    QProcessEnvironment m_environment;
    std::unique_ptr<QProcess> m_process;
    QString m_output;
    QString m_errors;
};

QString kavlaBinary();

// One `kavla` command with `input` on standard input and no display, as a script over ssh runs
// it: its exit status (-1 when it hung or crashed), standard output and standard error.
struct CommandAnswer
{
    int status = -1;
    QByteArray out;
    QString errors;
};
CommandAnswer kavlaCommand(QProcessEnvironment environment, const QString &arguments, const QByteArray &input = {});

// Ends a program a test started (a display, a compositor, a bus): SIGTERM, SIGKILL after 3 s.
void stopProcess(std::unique_ptr<QProcess> &process);
// Writes `bytes` as the whole of the file at `path`, making its folder first.
bool writeFile(const QString &path, const QByteArray &bytes);
// A file's bytes; empty when it cannot be read.
QByteArray readFile(const QString &path);
// A PNG of one colour, or of a pattern of colours when `pattern`.
QByteArray pngBytes(int width, int height, bool pattern = false);
