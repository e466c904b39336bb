#pragma once
// Starts qndiag-sim on a pseudo-terminal for an end-to-end test and stops it afterwards.

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>

namespace qn::test {

class SimProcess {
public:
    explicit SimProcess(const QStringList &args = {})
    {
        m_proc.setProgram(QStringLiteral(QN_SIM_EXE));
        m_proc.setArguments(args);
        m_proc.start();
        m_proc.waitForStarted(5000);
        QElapsedTimer t;
        t.start();
        while (m_path.isEmpty() && t.elapsed() < 10000 && m_proc.state() == QProcess::Running) {
            m_proc.waitForReadyRead(100);
            m_out += m_proc.readAllStandardOutput();
            for (const QByteArray &line : m_out.split('\n'))
                if (line.startsWith("pty "))
                    m_path = QString::fromUtf8(line.mid(4)).trimmed();
        }
    }
    ~SimProcess()
    {
        if (m_proc.state() == QProcess::Running) {
            command("quit");
            if (!m_proc.waitForFinished(3000)) {
                m_proc.kill();
                m_proc.waitForFinished(3000);
            }
        }
    }
    QString path() const { return m_path; }
    void command(const QByteArray &line)
    {
        m_proc.write(line + '\n');
        m_proc.waitForBytesWritten(1000);
    }

private:
    QProcess m_proc;
    QByteArray m_out;
    QString m_path;
};

#ifdef QN_CLI_EXE
struct CliRun {
    int exitCode = -1;
    QByteArray out, err;
};

// Runs qndiag-cli to its end (bounded by timeoutMs).
inline CliRun runCli(const QStringList &args, int timeoutMs = 60000)
{
    QProcess p;
    p.start(QStringLiteral(QN_CLI_EXE), args);
    CliRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}
#endif

} // namespace qn::test
