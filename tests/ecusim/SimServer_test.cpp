// The pty server as a fitter's tool sees it: a serial device that answers at 9600-baud pace, can
// be closed and reopened, and obeys its run-time commands.

#include "SimTestSupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace qn::sim;
using namespace qn::sim::test;

namespace {

const QString SimExe = QStringLiteral(QN_BUILD_DIR "/qndiag-sim");

class SimServer : public ::testing::Test {
protected:
    QProcess sim;
    QString pty;
    int fd = -1;

    void TearDown() override
    {
        closePty();
        if (sim.state() != QProcess::NotRunning) {
            sim.kill();
            sim.waitForFinished(2000);
        }
    }

    void start(const QStringList &args)
    {
        ASSERT_TRUE(QFileInfo::exists(SimExe)) << "build qndiag-sim first";
        sim.start(SimExe, args);
        ASSERT_TRUE(sim.waitForStarted(5000));
        sim.setReadChannel(QProcess::StandardOutput);
        while (!sim.canReadLine())
            ASSERT_TRUE(sim.waitForReadyRead(5000));
        const QByteArray line = sim.readLine().trimmed();
        ASSERT_TRUE(line.startsWith("pty /dev/")) << line.toStdString();
        pty = QString::fromLatin1(line.mid(4));
        openPty();
    }
    void openPty()
    {
        fd = ::open(pty.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    void closePty()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    // Bytes that arrive within the time, up to n.
    QByteArray receive(int n, int withinMs)
    {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (got.size() < n && t.elapsed() < withinMs) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, int(withinMs - t.elapsed())) <= 0)
                break;
            if (p.revents & (POLLHUP | POLLERR))
                break;
            char buf[256];
            const ssize_t r = ::read(fd, buf, sizeof buf);
            if (r <= 0)
                break;
            got.append(buf, r);
        }
        return got;
    }
    QByteArray exchange(const QByteArray &req, int answerLength, int withinMs = 1000)
    {
        EXPECT_EQ(::write(fd, req.constData(), size_t(req.size())), req.size());
        return receive(answerLength, withinMs);
    }
    void send(const QByteArray &line)
    {
        sim.write(line + "\n");
        sim.waitForBytesWritten(1000);
    }
    // A command that keeps the simulator running, once it has taken effect.
    void command(const QByteArray &line)
    {
        send(line);
        sim.setReadChannel(QProcess::StandardError);
        QByteArray err;
        const QByteArray ack = "ok " + line.split(' ').first();
        while (!err.contains(ack)) {
            ASSERT_TRUE(sim.waitForReadyRead(3000)) << line.toStdString();
            err += sim.readAllStandardError();
        }
    }
};

TEST_F(SimServer, AnswersAtWirePaceAndSurvivesReopen)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ecu");
    start({"--link", link});
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), pty);

    EXPECT_EQ(exchange(bytes({0x69, 0x21, 0x21, 0x21, 0xCC}), 5), bytes({0x69, 0x21, 39, 0x00, 0xB1}));
    QElapsedTimer t;
    t.start();
    const QByteArray live = exchange(liveRequest(), LiveLength + 3);
    const qint64 ms = t.elapsed();
    EXPECT_EQ(live.size(), LiveLength + 3);
    EXPECT_TRUE(checksumOk(live));
    EXPECT_GE(ms, 76); // 74 bytes of ten bits at 9600 baud
    EXPECT_LT(ms, 1500); // generous: CI runs other tests beside it

    // The tool closes the port half-way through a request and opens it again.
    ASSERT_EQ(::write(fd, "\x69\x26\x26", 3), 3);
    closePty();
    openPty();
    EXPECT_EQ(exchange(identityRequest(), IdentityLength + 3).size(), IdentityLength + 3);

    send("quit");
    ASSERT_TRUE(sim.waitForFinished(3000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST_F(SimServer, GoesSilentAndComesBackOnCommand)
{
    start({"--no-pacing"});
    EXPECT_EQ(exchange(liveRequest(), LiveLength + 3).size(), LiveLength + 3);
    command("silent");
    EXPECT_TRUE(exchange(liveRequest(), LiveLength + 3, 400).isEmpty());
    command("resume");
    EXPECT_EQ(exchange(liveRequest(), LiveLength + 3).size(), LiveLength + 3);
    command("corrupt 1");
    EXPECT_FALSE(checksumOk(exchange(liveRequest(), LiveLength + 3)));
    EXPECT_TRUE(checksumOk(exchange(liveRequest(), LiveLength + 3)));
}

TEST_F(SimServer, HangsUpAfterTheLastLiveAnswer)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ecu");
    start({"--hangup-after", "1", "--link", link});
    EXPECT_EQ(exchange(liveRequest(), LiveLength + 3).size(), LiveLength + 3);
    ASSERT_TRUE(sim.waitForFinished(3000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST_F(SimServer, EndOfInputKeepsServingAndTerminateEndsCleanly)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ecu");
    start({"--no-pacing", "--link", link});
    sim.closeWriteChannel();
    EXPECT_FALSE(sim.waitForFinished(300));
    EXPECT_EQ(exchange(liveRequest(), LiveLength + 3).size(), LiveLength + 3);
    ::kill(pid_t(sim.processId()), SIGTERM);
    ASSERT_TRUE(sim.waitForFinished(3000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

} // namespace
