// The program's rules wired together, in virtual time: start-up, connection through the message
// bar's kinds, the close-program path and shutdown, against the simulated ECU in-process.

#include "EcuModel.h"
#include "EcuResponder.h"
#include "SimLoopback.h"
#include "app/AppCore.h"
#include "dashboard/LayoutFile.h"

#include <QFileInfo>

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qn;

namespace {

// Serial ports for the test: one named port leads to the simulated ECU.
struct SimPorts : PortAccess {
    VirtualClock &clock;
    sim::EcuResponder &ecu;
    QString name = QStringLiteral("/dev/ttySIM");
    SimPorts(VirtualClock &c, sim::EcuResponder &e) : clock(c), ecu(e) {}
    QStringList ports() override { return {name}; }
    bool present(const QString &p) override { return p == name; }
    std::unique_ptr<Transport> open(const QString &, MessageSink *) override
    {
        return std::make_unique<sim::SimLoopback>(clock, ecu);
    }
    QString nameOf(const Transport &) const override { return name; }
};

struct NoBluetooth : BluetoothAccess {
    bool available() override { return false; }
    bool isPaired(const QString &) override { return false; }
    std::unique_ptr<BluetoothSocket> createSocket(const QString &) override { return nullptr; }
};

struct AppFixture : ::testing::Test {
    QTemporaryDir dir;
    VirtualClock clock;
    sim::EcuModel model;
    sim::EcuResponder ecu{model};
    SimPorts ports{clock, ecu};
    NoBluetooth bluetooth;
    std::unique_ptr<AppCore> core;
    std::vector<std::pair<int64_t, QString>> shown; // time, text of every message shown
    int closed = 0;
    uint64_t lastSerial = 0;

    void start(bool autoConnect, const QString &port = QStringLiteral("/dev/ttySIM"))
    {
        const Paths paths = computeDevelopmentPaths(dir.filePath("qndiag"), dir.path(), QLatin1Char('/'));
        QFile::copy(QStringLiteral(QN_RESOURCES "/qndiag.dat"), paths.temperatureFile);
        core = std::make_unique<AppCore>(AppCore::Deps{clock, paths, ports, bluetooth, QStringLiteral("en"), 1280, 800});
        core->settings.sts.CON_Type = false;
        core->settings.sts.CON_Port = port;
        core->settings.sts.CON_Auto = autoConnect;
        core->messages.onChanged = [this] {
            // Every countdown tick is a change too: record each message once.
            if (core->messages.visible() && core->messages.serial() != lastSerial) {
                lastSerial = core->messages.serial();
                shown.push_back({clock.nowMs(), core->messages.text()});
            }
        };
        core->window.close = [this] { ++closed; };
        core->formShow();
    }
    int64_t firstShown(const QString &text) const
    {
        for (const auto &[t, s] : shown)
            if (s == text)
                return t;
        return -1;
    }
};

} // namespace

TEST_F(AppFixture, WithoutAutomaticConnectionTheProgramStartsDisconnected)
{
    start(false);
    clock.advance(5000);
    EXPECT_TRUE(core->running);
    EXPECT_FALSE(core->link.connected);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(core->status.view().visible); // the first link stop ran before the running flag
}

TEST_F(AppFixture, AutomaticConnectionStartsOneSecondAfterTheWindowAndSucceeds)
{
    start(true);
    clock.advance(3000);
    EXPECT_EQ(firstShown(QStringLiteral("Connecting to device")), 1000);
    ASSERT_TRUE(core->link.connected);
    EXPECT_GT(firstShown(QStringLiteral("Connection to device successful")), 1000);
    EXPECT_EQ(core->config.ECU_Name, QStringLiteral("QN-Sim ECU"));
    clock.advance(2000);
    EXPECT_FALSE(core->messages.visible()); // kind 2 counted down and was closed by event 3
}

TEST_F(AppFixture, MissingPortFailsAndRetriesWithAutomaticConnection)
{
    start(true, QStringLiteral("/dev/ttyGONE"));
    clock.advance(1000 + 300);
    const int64_t failed = firstShown(QStringLiteral("Failed to connect to device"));
    EXPECT_NEAR(double(failed), 1000 + 200, 20);
    clock.advance(3000);
    // 1.1 s of message, 1 s pause, then the next attempt.
    int attempts = 0;
    int64_t second = -1;
    for (const auto &[t, s] : shown)
        if (s == QStringLiteral("Connecting to device") && ++attempts == 2)
            second = t;
    EXPECT_NEAR(double(second - failed), 2100, 120);
}

TEST_F(AppFixture, CloseButtonShowsTheClosingMessageThenClosesTheWindow)
{
    start(false);
    clock.advance(1500);
    core->closeRequested();
    EXPECT_FALSE(core->running);
    clock.advance(150);
    EXPECT_EQ(core->messages.shownKind(), MsgKind::CloseProgram);
    EXPECT_EQ(closed, 0);
    clock.advance(1100);
    EXPECT_EQ(closed, 1);
}

TEST_F(AppFixture, UnsupportedDeviceRestsThePollAndClosesTheProgram)
{
    model.setProtocol(9);
    start(true);
    clock.advance(1500);
    EXPECT_EQ(core->messages.shownKind(), MsgKind::OldVersion);
    clock.advance(3100 + 200);
    EXPECT_EQ(core->messages.shownKind(), MsgKind::CloseProgram);
    clock.advance(1200);
    EXPECT_EQ(closed, 1);
}

TEST_F(AppFixture, ShutdownLeavesNoTimerRunning)
{
    start(true);
    clock.advance(4000);
    ASSERT_TRUE(core->link.connected);
    core->shutdown();
    EXPECT_FALSE(clock.step());
}

TEST_F(AppFixture, FirstStartWritesTheDefaultLayoutAndLaterStartsKeepIt)
{
    start(false);
    EXPECT_TRUE(core->startupDashboard()); // not fitted to a window yet
    EXPECT_EQ(core->board.objectCount(), 29);
    const QString layout = core->deps.paths.layoutFile;
    ASSERT_TRUE(QFileInfo::exists(layout));
    core->settings.sts.Run_Loc[1] = true;
    ASSERT_TRUE(core->formClose(WindowValues::fromRecord(core->settings.sts)).ok);

    // Both files present: nothing is rewritten, nothing to fit.
    core.reset();
    start(false);
    EXPECT_FALSE(core->startupDashboard());
    EXPECT_EQ(core->board.objectCount(), 29);
    EXPECT_TRUE(shown.empty());
}

TEST_F(AppFixture, MissingSettingsKeepTheUsersLayoutAsABackup)
{
    start(false);
    core->startupDashboard();
    core->board.deleteObject(0); // the user's own layout: 28 objects
    ASSERT_TRUE(core->formClose(WindowValues::fromRecord(core->settings.sts)).ok);
    QFile::remove(core->deps.paths.settingsFile);

    core.reset();
    start(false);
    core->startupDashboard();
    EXPECT_EQ(core->board.objectCount(), 29); // the default again
    ASSERT_FALSE(shown.empty());
    const QString backup = core->deps.paths.layoutFile + QStringLiteral(".bak");
    EXPECT_TRUE(shown.back().second.endsWith(backup)) << shown.back().second.toStdString();
    DashboardModel kept;
    ASSERT_TRUE(loadLayoutFile(kept, backup));
    EXPECT_EQ(kept.objectCount(), 28);
}
