// qndiag itself: SIGTERM closes the window through its normal path, which writes the settings.

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <csignal>

namespace {
// The process has installed its own SIGTERM handler (read from /proc, not guessed by a delay).
bool catchesSigterm(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
}
} // namespace

TEST(Program, TerminationSignalClosesTheWindowAndSavesTheSettings)
{
    // A run from the build tree keeps its settings there.
    const QString ini = QFileInfo(QStringLiteral(QN_QNDIAG_EXE)).absolutePath() + QStringLiteral("/qndiag.ini");
    QFile::remove(ini);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QN_QNDIAG_EXE), {});
    ASSERT_TRUE(p.waitForStarted(5000));
    QElapsedTimer t;
    t.start();
    while (!catchesSigterm(p.processId()) && p.state() == QProcess::Running && t.elapsed() < 10000)
        p.waitForFinished(20);
    ASSERT_EQ(p.state(), QProcess::Running) << p.readAllStandardError().constData();
    ASSERT_TRUE(catchesSigterm(p.processId()));
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.startsWith("[SET]\nRun_App=1\n")) << text.left(200).constData();
    EXPECT_TRUE(text.contains("[OSC]"));
}
