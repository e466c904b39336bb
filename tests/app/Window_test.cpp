// The window end to end on the offscreen platform: it starts, connects to qndiag-sim over a
// pseudo-terminal with automatic connection on, polls, reports the loss when the simulator goes
// silent, reconnects when it comes back, and on close writes settings that load back the same.

#include "SimProcess.h"
#include "app/AppCore.h"
#include "app/TForm_GEN.h"
#include "dashboard/DashboardWidget.h"
#include "dashboard/LayoutFile.h"
#include "link/Unit_Bluetooth.h"
#include "link/Unit_SerialAccess.h"
#include "ui/Folders.h"
#include "ui/StyleSheet.h"
#include "ui/WindowFrameWidget.h"

#include <QToolButton>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qn;

namespace {

// Runs the event loop until pred holds or ms pass.
bool waitFor(const std::function<bool()> &pred, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return pred();
}

struct WindowFixture : ::testing::Test {
    QTemporaryDir dir;
    Paths paths;
    QtTimerHost timers;
    SerialPortAccess ports;
    PlatformBluetooth bluetooth;

    void SetUp() override
    {
        paths = computeDevelopmentPaths(dir.filePath("qndiag"), dir.path(), QLatin1Char('/'));
        QFile::copy(QStringLiteral(QN_RESOURCES "/qndiag.dat"), paths.temperatureFile);
    }
    // A settings file with the simulator's port, the serial link and automatic connection.
    void writeSettings(const QString &port)
    {
        QFile f(paths.settingsFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[SET]\nRun_App=1\n[CON]\nType=0\nPort=" + port.toUtf8() + "\nAuto=1\n");
    }
    std::unique_ptr<AppCore> makeCore()
    {
        return std::make_unique<AppCore>(AppCore::Deps{timers, paths, ports, bluetooth, QStringLiteral("en"), 1280, 800});
    }
};

} // namespace

TEST_F(WindowFixture, ConnectsPollsLosesAndReconnectsThenSavesOnClose)
{
    test::SimProcess sim;
    ASSERT_FALSE(sim.path().isEmpty());
    writeSettings(sim.path());
    auto core = makeCore();
    Paths shipped = paths;
    shipped.stylesFolder = QStringLiteral(QN_RESOURCES "/Styles");
    qApp->setStyleSheet(loadStyleSheet(shipped, core->settings.sts.Style));
    TForm_GEN window(*core, timers);
    std::vector<QString> keys;
    QElapsedTimer sinceShown;
    int64_t connectStartAt = -1;
    auto previous = core->messages.onChanged;
    core->messages.onChanged = [&] {
        if (previous)
            previous();
        if (core->messages.visible()) {
            keys.push_back(core->messages.text());
            if (core->messages.shownKind() == MsgKind::ConnectStart && connectStartAt < 0)
                connectStartAt = sinceShown.elapsed();
        }
    };
    window.show();
    sinceShown.start();
    ASSERT_TRUE(waitFor([&] { return core->link.connected; }, 15000));
    // "MSG_Connect_Start" about one second after the window was shown (event 1).
    EXPECT_GE(connectStartAt, 900);
    EXPECT_LE(connectStartAt, 2500);
    EXPECT_TRUE(window.startupComplete());
    EXPECT_FALSE(window.Button_Connect->isEnabled());
    EXPECT_TRUE(window.Button_Settings->isEnabled());
    EXPECT_EQ(core->config.ECU_Name, QStringLiteral("QN-Sim ECU"));

    int answers = 0;
    core->link.onAnswer = [&](uint8_t) { ++answers; };
    ASSERT_TRUE(waitFor([&] { return answers >= 6; }, 5000));
    window.grab().save(QStringLiteral(QN_BUILD_DIR "/window-connected.png"));

    // The simulator goes silent: the loss is reported, then the link comes back by itself.
    sim.command("silent");
    ASSERT_TRUE(waitFor([&] { return core->link.linkLost; }, 8000));
    EXPECT_NE(std::find(keys.begin(), keys.end(), QStringLiteral("Connection interrupted")), keys.end());
    sim.command("resume");
    ASSERT_TRUE(waitFor([&] { return core->link.connected; }, 30000));

    window.close();
    Settings reloaded;
    ApplySettingsDefaults(reloaded, paths, 1280, 800);
    EXPECT_EQ(reloaded.sts.CON_Port, sim.path());
    EXPECT_FALSE(reloaded.sts.CON_Type);
    EXPECT_TRUE(reloaded.sts.CON_Auto);
    EXPECT_EQ(reloaded.sts.GEN_Width, window.frame()->bounds().width());
    EXPECT_EQ(reloaded.sts.Page_Index, core->settings.sts.Page_Index);
    const QByteArray written = [&] {
        QFile f(paths.settingsFile);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    // Saving what was loaded writes the same file again.
    SaveSettings(reloaded, paths, WindowValues::fromRecord(reloaded.sts));
    QFile again(paths.settingsFile);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), written);
}

TEST_F(WindowFixture, FirstStartBuildsTheDefaultDashboardThatFollowsTheSimulator)
{
    test::SimProcess sim;
    ASSERT_FALSE(sim.path().isEmpty());
    writeSettings(sim.path());
    QFile::remove(paths.layoutFile);
    auto core = makeCore();
    Paths shipped = paths;
    shipped.stylesFolder = QStringLiteral(QN_RESOURCES "/Styles");
    qApp->setStyleSheet(loadStyleSheet(shipped, core->settings.sts.Style));
    TForm_GEN window(*core, timers);
    window.show();
    ASSERT_TRUE(waitFor([&] { return core->link.connected; }, 15000));
    int answers = 0;
    core->link.onAnswer = [&](uint8_t cmd) { answers += cmd == Cmd::LiveData; };
    ASSERT_TRUE(waitFor([&] { return answers >= 4; }, 5000));

    EXPECT_TRUE(QFileInfo::exists(paths.layoutFile));
    EXPECT_EQ(core->board.objectCount(), 29);
    EXPECT_TRUE(core->settings.sts.Run_Loc[1]); // fitted to the window once
    // The engine-speed object of page 2 (object 11 of the layout) shows the decoded value.
    const auto &rpmObject = core->board.objects[10];
    ASSERT_TRUE(rpmObject);
    EXPECT_EQ(rpmObject->kind, LV_RPM);
    const QString expected = formatValue(core->live.value(LV_RPM), 1, core->live[LV_RPM].decimals);
    bool shown = false;
    for (const ContentEntry &e : parseContentList(rpmObject->content))
        if (e.kind == ElementKind::Current && window.dashboard()->text(e.index))
            shown = window.dashboard()->text(e.index)->text() == expected;
    EXPECT_TRUE(shown) << expected.toStdString();

    // Reset to default after the user removed an object: the default layout again, fitted.
    window.dashboard()->deleteObject(0);
    EXPECT_EQ(core->board.objectCount(), 28);
    window.resetToDefault();
    EXPECT_EQ(core->board.objectCount(), 29);
    EXPECT_TRUE(core->settings.sts.Run_Loc[1]);
    QApplication::processEvents();

    for (int page = 0; page < 5; ++page) {
        window.TabControl->setCurrentIndex(page);
        QApplication::processEvents();
        window.grab().save(QStringLiteral(QN_BUILD_DIR "/window-page%1.png").arg(page + 1));
    }
    window.close();
    // The layout survives the restart exactly: loading and saving it gives the same file.
    QFile f(paths.layoutFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    DashboardModel again;
    ASSERT_TRUE(loadLayoutFile(again, paths.layoutFile));
    EXPECT_EQ(again.objectCount(), 29);
    EXPECT_EQ(layoutBytes(again), before);
}
