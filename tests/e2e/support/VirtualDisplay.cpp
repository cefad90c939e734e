#include "VirtualDisplay.h"
#include "KavlaProcess.h"

#include <QDeadlineTimer>
#include <QRect>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

VirtualDisplay::VirtualDisplay() = default;

VirtualDisplay::~VirtualDisplay()
{
    stopProcess(m_trayHost);
    stopProcess(m_windowManager);
    stopProcess(m_xvfb);
}

bool VirtualDisplay::start(const Options &options)
{
    m_xvfb = std::make_unique<QProcess>();
    m_xvfb->setProcessChannelMode(QProcess::SeparateChannels);
    // -displayfd: Xvfb picks a free display number itself and writes it on standard output.
    m_xvfb->start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp")});
    if (!m_xvfb->waitForStarted(5000))
        return false;
    QDeadlineTimer deadline(10000);
    QByteArray number;
    while (!number.endsWith('\n') && !deadline.hasExpired()) {
        m_xvfb->waitForReadyRead(200);
        number += m_xvfb->readAllStandardOutput();
        if (m_xvfb->state() == QProcess::NotRunning)
            return false;
    }
    number = number.trimmed();
    if (number.isEmpty())
        return false;
    m_display = QLatin1Char(':') + QString::fromLatin1(number);

    if (options.windowManager) {
        if (!startHelper(m_windowManager, QStringLiteral("openbox"), {}))
            return false;
        // openbox is ready once it has claimed the window-manager selection.
        QDeadlineTimer wmDeadline(10000);
        while (!wmDeadline.hasExpired()
               && !run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                       .contains(QLatin1String("window id")))
            QThread::msleep(50);
    }
    if (options.trayHost) {
        if (!startHelper(m_trayHost, QStringLiteral("trayer"),
                         {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                          QStringLiteral("right"), QStringLiteral("--widthtype"),
                          QStringLiteral("request"), QStringLiteral("--height"), QStringLiteral("24")}))
            return false;
        QDeadlineTimer trayDeadline(10000);
        while (!trayDeadline.hasExpired()
               && run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("-notype")})
                      .isEmpty())
            QThread::msleep(50);
        // The tray selection owner appears shortly after trayer maps its panel.
        QThread::msleep(300);
    }
    return true;
}

bool VirtualDisplay::startHelper(std::unique_ptr<QProcess> &process, const QString &program,
                                 const QStringList &arguments)
{
    process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(program, arguments);
    return process->waitForStarted(5000);
}

QProcessEnvironment VirtualDisplay::environment(QProcessEnvironment base) const
{
    base.insert(QStringLiteral("DISPLAY"), m_display);
    base.remove(QStringLiteral("WAYLAND_DISPLAY"));
    base.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return base;
}

QString VirtualDisplay::runLine(const QString &commandLine, int *exitCode) const
{
    QStringList words = commandLine.split(QLatin1Char(' '));
    const QString program = words.takeFirst();
    return run(program, words, exitCode);
}

QString VirtualDisplay::run(const QString &program, const QStringList &arguments, int *exitCode,
                            int timeoutMs) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        if (exitCode)
            *exitCode = -1;
        return {};
    }
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

QPoint VirtualDisplay::waitForTrayIcon(int timeoutMs) const
{
    static const QRegularExpression icon(QStringLiteral(R"(\("kavla" "kavla"\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+))"));
    for (QDeadlineTimer deadline(timeoutMs); !deadline.hasExpired(); QTest::qWait(100)) {
        for (auto it = icon.globalMatch(run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")})); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            const QRect frame(match.captured(3).toInt(), match.captured(4).toInt(), match.captured(1).toInt(),
                              match.captured(2).toInt());
            if (frame.width() <= 64 && frame.height() <= 64 && frame.x() >= 0 && frame.y() >= 0)
                return frame.center();
        }
    }
    return {};
}
