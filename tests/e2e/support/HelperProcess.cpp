#include "HelperProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>

HelperProcess::HelperProcess(const QString &name, const QProcessEnvironment &environment, const QStringList &arguments,
                             const QByteArray &readyLine)
{
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(KAVLA_BINARY_DIR "/") + name, arguments);
    m_ready = m_process.waitForStarted(5000) && (readyLine.isEmpty() || nextLine() == readyLine);
}

HelperProcess::~HelperProcess()
{
    m_process.kill();
    m_process.waitForFinished(3000);
}

QByteArray HelperProcess::nextLine(int timeoutMs)
{
    for (QDeadlineTimer deadline(timeoutMs); !m_process.canReadLine() && !deadline.hasExpired();)
        QTest::qWait(10);
    return m_process.readLine().trimmed();
}

QByteArray HelperProcess::ask(const QByteArray &command)
{
    m_process.write(command + '\n');
    return nextLine();
}

QByteArray HelperProcess::flavourFiles(const Flavours &flavours)
{
    QByteArray words;
    for (const auto &[type, bytes] : flavours) {
        QFile file(m_files.filePath(QString::number(words.size())));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write a flavour's file");
        words += ' ' + type.toUtf8() + '=' + file.fileName().toUtf8();
    }
    return words;
}
