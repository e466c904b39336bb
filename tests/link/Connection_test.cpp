// The connection lifecycle in virtual time: a real device link and event queue, the simulated ECU
// behind fake serial ports and a fake Bluetooth layer, and a message bar that counts down as the
// program's does (its end actions wired as the program's dispatcher wires them).

#include "link/Connection.h"

#include "EcuModel.h"
#include "EcuResponder.h"
#include "LinkTestSupport.h"
#include "SimLoopback.h"
#include "config/Config_Record.h"
#include "data/LiveValues.h"
#include "link/DeviceLink.h"
#include "link/EventQueue.h"
#include "ui/STS_Record.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace qn;

namespace {

const QString PortA = QStringLiteral("/dev/ttyQN0");
const QString DevA = QStringLiteral("00:11:22:33:44:55");
const QString DevB = QStringLiteral("66:77:88:99:AA:BB");
const QString StartKey = QStringLiteral("MSG_Connect_Start");
const QString FailedKey = QStringLiteral("MSG_Connect_Failed");
const QString SuccessKey = QStringLiteral("MSG_Connect_Successful");
const QString InterruptKey = QStringLiteral("MSG_Connect_Interrupt");
const QString NotPairedKey = QStringLiteral("MSG_NotPaired_Devices");

// The message bar: one message at a time; a new one cancels the countdown of the one before.
struct Bar : MessageSink {
    struct Msg {
        int kind;
        QString key;
        MsgColour colour;
        int64_t at;
    };
    explicit Bar(VirtualClock &c) : clock(c), countdown(c, 100)
    {
        countdown.onTimer = [this] {
            countdown.setEnabled(false);
            const int kind = current;
            current = 0;
            if (onEnd)
                onEnd(kind);
        };
    }
    void showMessage(int kind, const QString &key, MsgColour colour) override
    {
        shown.push_back({kind, key, colour, clock.nowMs()});
        current = kind;
        countdown.setEnabled(false);
        static const std::map<int, int> steps{{2, 10}, {7, 20}, {22, 200}, {23, 10}, {24, 10}};
        if (auto it = steps.find(kind); it != steps.end()) {
            countdown.setInterval((it->second + 1) * 100);
            countdown.setEnabled(true);
        }
    }
    int shownKind() const override { return current; }

    int count(const QString &key) const
    {
        int n = 0;
        for (const Msg &m : shown)
            n += m.key == key;
        return n;
    }
    // Time of the n-th message with this key, -1 when there is none.
    int64_t at(const QString &key, int n = 0) const
    {
        for (const Msg &m : shown)
            if (m.key == key && n-- == 0)
                return m.at;
        return -1;
    }
    const Msg *find(const QString &key) const
    {
        for (const Msg &m : shown)
            if (m.key == key)
                return &m;
        return nullptr;
    }

    VirtualClock &clock;
    TTimer countdown;
    std::vector<Msg> shown;
    int current = 0;
    std::function<void(int kind)> onEnd;
};

struct Host : ConnectionHost {
    explicit Host(VirtualClock &c) : clock(c) {}
    void setConnectButtonEnabled(bool on) override { button = on; }
    void closeSecondaryForms() override { establishedAt.push_back(clock.nowMs()); }
    void closeConnectionForm() override { ++formClosed; }
    void raiseWindow() override { raisedAt.push_back(clock.nowMs()); }
    void activateAndLowerWindow() override { loweredAt.push_back(clock.nowMs()); }
    void startWaitIndicator() override { wait = true; }
    void stopWaitIndicator() override { wait = false; }
    void linkStopped() override { ++stopped; }
    void resetFuelMaxima() override { ++fuelReset; }
    void resetRemoteControl() override { ++panelReset; }

    VirtualClock &clock;
    bool button = true;
    bool wait = false;
    int formClosed = 0, stopped = 0, fuelReset = 0, panelReset = 0;
    std::vector<int64_t> establishedAt, raisedAt, loweredAt;
};

// A serial port that knows its configured name, over any line.
struct NamedPort : Transport {
    NamedPort(QString n, std::unique_ptr<Transport> l) : name(std::move(n)), line(std::move(l))
    {
        line->onRead = [this](const QByteArray &b) {
            if (onRead)
                onRead(b);
        };
    }
    bool write(const QByteArray &b) override { return line->write(b); }
    bool inError() const override { return line->inError(); }
    void close() override { line->close(); }
    QString name;
    std::unique_ptr<Transport> line;
};

struct Ports : PortAccess {
    QStringList list{PortA};
    bool openFails = false;
    int opens = 0;
    std::function<std::unique_ptr<Transport>()> line;

    QStringList ports() override { return list; }
    bool present(const QString &p) override { return list.contains(p); }
    std::unique_ptr<Transport> open(const QString &p, MessageSink *m) override
    {
        ++opens;
        if (openFails) {
            m->showMessage(MsgKind::ComPortError, QStringLiteral("MSG_ERR_ComPort"), MsgColour::PureRed);
            return nullptr;
        }
        return std::make_unique<NamedPort>(p, line());
    }
    QString nameOf(const Transport &t) const override
    {
        const auto *n = dynamic_cast<const NamedPort *>(&t);
        return n ? n->name : QString();
    }
};

// A socket whose connect completes after connectMs (at once when 0); received bytes wait for the
// link's receive poll.
struct Socket : BluetoothSocket {
    Socket(VirtualClock &clock, QString a, std::unique_ptr<Transport> l, bool fails, int ms)
        : addr(std::move(a)), line(std::move(l)), failConnect(fails), connectMs(ms), timer(clock, ms > 0 ? ms : 1)
    {
        line->onRead = [this](const QByteArray &b) { buffer += b; };
        timer.onTimer = [this] {
            timer.setEnabled(false);
            complete();
        };
    }
    QString address() const override { return addr; }
    void connectSocket(std::function<void(bool)> d) override
    {
        done = std::move(d);
        connecting = true;
        if (connectMs > 0)
            timer.setEnabled(true);
        else
            complete();
    }
    void complete()
    {
        connecting = false;
        connected = !failConnect;
        auto d = std::move(done);
        done = nullptr;
        if (d)
            d(connected);
    }
    bool isConnected() const override { return connected; }
    bool isConnecting() const override { return connecting; }
    bool write(const QByteArray &b) override { return connected && line->write(b); }
    bool inError() const override { return false; }
    bool poll(QByteArray &out) override
    {
        out = buffer;
        buffer.clear();
        return connected;
    }
    void close() override
    {
        done = nullptr;
        connecting = connected = false;
        timer.setEnabled(false);
        line->close();
        ++*closedCount;
    }

    QString addr;
    std::unique_ptr<Transport> line;
    bool failConnect;
    int connectMs;
    TTimer timer;
    QByteArray buffer;
    bool connecting = false, connected = false;
    std::function<void(bool)> done;
    int *closedCount = nullptr;
};

struct Bluetooth : BluetoothAccess {
    explicit Bluetooth(VirtualClock &c) : clock(c) {}
    bool available() override { return radio; }
    bool isPaired(const QString &a) override { return paired.contains(a); }
    std::unique_ptr<BluetoothSocket> createSocket(const QString &a) override
    {
        if (createFails)
            return nullptr;
        created.push_back(a);
        auto s = std::make_unique<Socket>(clock, a, line(), connectFails, connectMs);
        s->closedCount = &closed;
        return s;
    }

    VirtualClock &clock;
    bool radio = true;
    QStringList paired{DevA, DevB};
    bool createFails = false;
    bool connectFails = false;
    int connectMs = 0;
    int closed = 0;
    std::vector<QString> created;
    std::function<std::unique_ptr<Transport>()> line;
};

struct ConnectionTest : ::testing::Test {
    VirtualClock clock;
    sim::EcuModel model{3};
    sim::EcuResponder responder{model};
    STS_Record sts;
    Config_Record config;
    LiveTable live;
    Bar bar{clock};
    DeviceLink link{DeviceLink::Deps{clock, sts, config, live, [](uint16_t) { return int16_t(0); }, &bar, nullptr}};
    EventQueue queue{clock};
    Host host{clock};
    Ports ports;
    Bluetooth bt{clock};
    Connection connection{Connection::Deps{link, queue, sts, bar, host, ports, bt, clock}};
    std::vector<std::pair<uint8_t, int64_t>> events;

    void SetUp() override
    {
        sts.CON_Type = false;
        sts.CON_Port = PortA;
        sts.CON_Addr = DevA;
        ports.line = [this] { return std::make_unique<sim::SimLoopback>(clock, responder); };
        bt.line = ports.line;
        queue.onEvent = [this](uint8_t code) {
            events.emplace_back(code, clock.nowMs());
            connection.handleEvent(code);
        };
        // The program's dispatcher: the connecting and interrupted messages end without an action,
        // the lifecycle's own timers handle them.
        bar.onEnd = [this](int kind) {
            if (kind == MsgKind::ConnectFailed)
                connection.failedCountdownEnded();
        };
    }

    bool advanceUntil(const std::function<bool()> &done, int64_t limitMs = 30000)
    {
        const int64_t end = clock.nowMs() + limitMs;
        while (!done() && clock.nowMs() < end)
            clock.advance(1);
        return done();
    }
    int eventCount(uint8_t code) const
    {
        int n = 0;
        for (const auto &e : events)
            n += e.first == code;
        return n;
    }
    int64_t eventAt(uint8_t code, int n = 0) const
    {
        for (const auto &e : events)
            if (e.first == code && n-- == 0)
                return e.second;
        return -1;
    }
    // Connects and returns the time the link was declared lost after the ECU went silent.
    int64_t connectThenLose()
    {
        connection.start(true);
        EXPECT_TRUE(advanceUntil([&] { return link.connected; }));
        clock.advance(500);
        responder.goSilent();
        EXPECT_TRUE(advanceUntil([&] { return bar.count(InterruptKey) > 0; }));
        responder.resume();
        return bar.at(InterruptKey);
    }
};

} // namespace

TEST_F(ConnectionTest, SerialStartEstablishesTheLinkAndReportsSuccess)
{
    connection.start(true);
    ASSERT_EQ(bar.shown.size(), 1u);
    EXPECT_EQ(bar.shown[0].kind, MsgKind::ConnectStart);
    EXPECT_EQ(bar.shown[0].key, StartKey);
    EXPECT_EQ(bar.shown[0].colour, MsgColour::Action);
    EXPECT_EQ(host.formClosed, 1);
    host.wait = true; // as left by start-up

    clock.advance(99);
    EXPECT_EQ(ports.opens, 0);
    clock.advance(1);
    EXPECT_EQ(ports.opens, 1);
    EXPECT_EQ(eventAt(Connection::EvConnect), 100);

    ASSERT_TRUE(advanceUntil([&] { return link.connected; }, 5000));
    ASSERT_EQ(host.establishedAt.size(), 1u);
    EXPECT_FALSE(host.button);
    EXPECT_EQ(host.fuelReset, 1);
    clock.advance(100);
    const Bar::Msg *ok = bar.find(SuccessKey);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->kind, Connection::KindConnectSuccessful);
    EXPECT_EQ(ok->colour, MsgColour::Complete);
    EXPECT_EQ(ok->at, host.establishedAt[0] + 100);
    EXPECT_FALSE(host.wait);

    // The attempt's time-out was cancelled: the link stays up long after it.
    clock.advance(40000);
    EXPECT_TRUE(link.connected);
    EXPECT_EQ(bar.count(FailedKey), 0);
    EXPECT_EQ(bar.count(StartKey), 1);
    EXPECT_FALSE(connection.attemptRunning());
}

TEST_F(ConnectionTest, CancelAndShutdownEndTheAttemptWithoutFailure)
{
    for (const bool shutdown : {false, true}) {
        SCOPED_TRACE(shutdown ? "shutdown" : "cancel");
        responder.goSilent();
        bar.shown.clear();
        const int opensBefore = ports.opens;
        connection.start(true);
        clock.advance(1000);
        ASSERT_NE(link.transport(), nullptr);
        if (shutdown)
            connection.shutdown();
        else
            connection.cancel();
        EXPECT_EQ(link.transport(), nullptr);
        EXPECT_FALSE(connection.attemptRunning());
        EXPECT_TRUE(host.button);
        clock.advance(40000);
        EXPECT_EQ(bar.count(FailedKey), 0);
        EXPECT_EQ(bar.count(StartKey), 1);
        EXPECT_EQ(ports.opens, opensBefore + 1);
        EXPECT_FALSE(link.connected);
    }
}

struct SerialFailure {
    const char *name;
    bool present;
    bool openFails;
    bool autoConnect;
};
void PrintTo(const SerialFailure &c, std::ostream *os) { *os << c.name; }
struct SerialFailureTest : ConnectionTest, ::testing::WithParamInterface<SerialFailure> {};

TEST_P(SerialFailureTest, IsReportedAndRetriedOnlyWithAutoConnect)
{
    const SerialFailure c = GetParam();
    if (!c.present)
        ports.list.clear();
    ports.openFails = c.openFails;
    sts.CON_Auto = c.autoConnect;
    connection.start(true);
    clock.advance(200);
    ASSERT_NE(bar.find(FailedKey), nullptr);
    const Bar::Msg failed = *bar.find(FailedKey);
    EXPECT_EQ(failed.at, 200);
    EXPECT_EQ(failed.kind, MsgKind::ConnectFailed);
    EXPECT_EQ(failed.colour, MsgColour::Warning);
    EXPECT_EQ(bar.count(QStringLiteral("MSG_ERR_ComPort")), c.openFails ? 1 : 0);
    EXPECT_EQ(link.transport(), nullptr);
    EXPECT_FALSE(connection.attemptRunning());
    EXPECT_TRUE(host.button);

    clock.advance(2400);
    if (c.autoConnect) {
        // 1.1 s of message, 1 s pause, then the next attempt, failing the same way.
        EXPECT_EQ(bar.at(StartKey, 1) - failed.at, 2100);
        EXPECT_EQ(bar.at(FailedKey, 1) - bar.at(StartKey, 1), 200);
    } else {
        clock.advance(30000);
        EXPECT_EQ(bar.count(StartKey), 1);
        EXPECT_EQ(bar.count(FailedKey), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Connection, SerialFailureTest,
                         ::testing::Values(SerialFailure{"PortMissing", false, false, false},
                                           SerialFailure{"PortMissingAuto", false, false, true},
                                           SerialFailure{"OpenFails", true, true, false},
                                           SerialFailure{"OpenFailsAuto", true, true, true}),
                         [](const auto &p) { return std::string(p.param.name); });

struct TimeoutTest : ConnectionTest, ::testing::WithParamInterface<bool> {};

TEST_P(TimeoutTest, AnAttemptThatNeverEstablishesEndsAfterTwentyPointOneSeconds)
{
    // Another message replacing the connecting message must not keep the attempt alive.
    const bool replaced = GetParam();
    responder.goSilent();
    connection.start(true);
    clock.advance(5000);
    if (replaced)
        bar.showMessage(MsgKind::ComPortError, QStringLiteral("MSG_ERR_ComPort"), MsgColour::PureRed);
    clock.advance(20099 - 5000);
    EXPECT_NE(link.transport(), nullptr);
    EXPECT_FALSE(link.connected);
    clock.advance(1);
    EXPECT_EQ(link.transport(), nullptr);
    clock.advance(100);
    EXPECT_EQ(eventAt(Connection::EvFailed), 20200);
    EXPECT_EQ(bar.at(FailedKey), 20200);
    clock.advance(40000);
    EXPECT_EQ(bar.count(FailedKey), 1);
    EXPECT_EQ(bar.count(StartKey), 1);
}

INSTANTIATE_TEST_SUITE_P(Connection, TimeoutTest, ::testing::Values(false, true),
                         [](const auto &p) { return p.param ? "MessageReplaced" : "MessageShown"; });

struct LossCase {
    const char *name;
    bool autoConnect;
    bool background;
};
void PrintTo(const LossCase &c, std::ostream *os) { *os << c.name; }
struct LossTest : ConnectionTest, ::testing::WithParamInterface<LossCase> {};

TEST_P(LossTest, LostLinkIsRetriedOnlyWithAutoConnectOrBackground)
{
    const LossCase c = GetParam();
    sts.CON_Auto = c.autoConnect;
    sts.CON_BGnd = c.background;
    const int64_t lost = connectThenLose();
    const Bar::Msg *msg = bar.find(InterruptKey);
    ASSERT_NE(msg, nullptr);
    EXPECT_EQ(msg->kind, MsgKind::ConnectInterrupt);
    EXPECT_FALSE(link.connected);
    EXPECT_TRUE(link.linkLost);
    EXPECT_TRUE(host.button);
    EXPECT_GT(host.stopped, 0);
    EXPECT_TRUE(connection.lossHandlingPending());

    clock.advance(1100);
    EXPECT_FALSE(connection.lossHandlingPending());
    EXPECT_EQ(host.loweredAt, c.background ? std::vector<int64_t>{lost + 1100} : std::vector<int64_t>{});
    EXPECT_EQ(connection.background(), c.background);
    if (!c.autoConnect && !c.background) {
        clock.advance(40000);
        EXPECT_EQ(bar.count(StartKey), 1);
        EXPECT_FALSE(link.connected);
        EXPECT_EQ(eventCount(Connection::EvReconnect), 0);
        return;
    }
    clock.advance(1000);
    EXPECT_EQ(bar.at(StartKey, 1) - lost, 2100);
    const int64_t restarted = clock.nowMs();
    ASSERT_TRUE(advanceUntil([&] { return link.connected; }, 5000));
    clock.advance(100);
    EXPECT_GT(bar.at(SuccessKey, 1), restarted);
    EXPECT_FALSE(link.linkLost);
    EXPECT_FALSE(connection.background());
    EXPECT_EQ(host.raisedAt.size(), c.background ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Connection, LossTest,
                         ::testing::Values(LossCase{"Neither", false, false}, LossCase{"Auto", true, false},
                                           LossCase{"Background", false, true}, LossCase{"Both", true, true}),
                         [](const auto &p) { return std::string(p.param.name); });

TEST_F(ConnectionTest, LossHandlingRunsWhenAnotherMessageReplacesTheInterruption)
{
    sts.CON_Auto = true;
    const int64_t lost = connectThenLose();
    clock.advance(300);
    bar.showMessage(MsgKind::ComPortError, QStringLiteral("MSG_ERR_ComPort"), MsgColour::PureRed);
    clock.advance(1800);
    EXPECT_EQ(bar.at(StartKey, 1) - lost, 2100);
    EXPECT_TRUE(advanceUntil([&] { return link.connected; }, 5000));
}

TEST_F(ConnectionTest, AUserStartAfterALossReportsItsOwnFailure)
{
    const int64_t lost = connectThenLose();
    clock.advance(3000);
    ports.list.clear();
    const int64_t t0 = clock.nowMs();
    connection.start(true);
    clock.advance(200);
    EXPECT_EQ(bar.at(FailedKey) - t0, 200);
    EXPECT_GT(t0, lost);
    EXPECT_FALSE(link.linkLost);
}

TEST_F(ConnectionTest, AutomaticReconnectsAfterALossFailSilentlyAndRetryAtTheTimeOut)
{
    sts.CON_Auto = true;
    const int64_t lost = connectThenLose();
    ports.list.clear();
    clock.advance(2100);
    const int64_t retry = bar.at(StartKey, 1);
    EXPECT_EQ(retry - lost, 2100);
    // The attempt fails at once, silently; its time-out, 20.1 s after it started, schedules the
    // next one a second later.
    clock.advance(20100 + 1000 - 1);
    EXPECT_EQ(bar.count(StartKey), 2);
    clock.advance(1);
    EXPECT_EQ(bar.at(StartKey, 2) - retry, 21100);
    EXPECT_EQ(bar.count(FailedKey), 0);
    // The ECU's port is back: the next attempt connects.
    ports.list = QStringList{PortA};
    EXPECT_TRUE(advanceUntil([&] { return link.connected; }, 30000));
}

TEST_F(ConnectionTest, ConnectEventPostedTwiceWithinItsDelayConnectsOnce)
{
    connection.start(true);
    clock.advance(60);
    connection.start(true);
    clock.advance(99);
    EXPECT_EQ(ports.opens, 0);
    clock.advance(1);
    EXPECT_EQ(ports.opens, 1);
    EXPECT_EQ(eventCount(Connection::EvConnect), 1);
    // Connect again while the attempt on that port is under way: nothing.
    clock.advance(50);
    connection.handleEvent(Connection::EvConnect);
    EXPECT_EQ(ports.opens, 1);
    EXPECT_TRUE(advanceUntil([&] { return link.connected; }, 5000));
}

TEST_F(ConnectionTest, AStaleReconnectEventLeavesAWorkingLinkAlone)
{
    connection.start(true);
    ASSERT_TRUE(advanceUntil([&] { return link.connected; }, 5000));
    queue.post(Connection::EvReconnect, 1000);
    clock.advance(40000);
    EXPECT_TRUE(link.connected);
    EXPECT_EQ(bar.count(StartKey), 1);
    EXPECT_EQ(ports.opens, 1);
}

TEST_F(ConnectionTest, PendingScanStopsTheLinkAndPostsTheScanEvent)
{
    connection.start(true);
    ASSERT_TRUE(advanceUntil([&] { return link.connected; }, 5000));
    link.pendingScan = true;
    ASSERT_TRUE(advanceUntil([&] { return !link.connected; }, 2000));
    const int64_t stopped = clock.nowMs();
    EXPECT_TRUE(host.button);
    clock.advance(100);
    EXPECT_EQ(eventAt(Connection::EvScan) - stopped, 100);
    EXPECT_FALSE(connection.handleEvent(Connection::EvScan));
}

struct BluetoothFailure {
    const char *name;
    bool radio;
    bool paired;
    bool createFails;
    bool connectFails;
    const char *key; // the message that follows the connecting one
    int64_t at;      // when, after the start
    bool retried;    // with auto-connect on, another attempt follows
};
void PrintTo(const BluetoothFailure &c, std::ostream *os) { *os << c.name; }
struct BluetoothFailureTest : ConnectionTest, ::testing::WithParamInterface<BluetoothFailure> {};

TEST_P(BluetoothFailureTest, EndsTheAttempt)
{
    const BluetoothFailure c = GetParam();
    sts.CON_Type = true;
    sts.CON_Auto = true;
    bt.radio = c.radio;
    bt.paired = c.paired ? QStringList{DevA} : QStringList{};
    bt.createFails = c.createFails;
    bt.connectFails = c.connectFails;
    connection.start(true);
    clock.advance(c.at);
    ASSERT_GE(bar.shown.size(), 2u);
    EXPECT_EQ(bar.shown[1].key, QLatin1String(c.key));
    EXPECT_EQ(bar.shown[1].at, c.at);
    if (bar.shown[1].key == NotPairedKey) {
        EXPECT_EQ(bar.shown[1].kind, Connection::KindNotPaired);
        EXPECT_EQ(bar.shown[1].colour, MsgColour::Warning);
    }
    EXPECT_EQ(bt.created.size(), c.radio && c.paired && !c.createFails ? 1u : 0u);
    clock.advance(25000);
    EXPECT_EQ(bar.count(StartKey) > 1, c.retried);
    EXPECT_FALSE(link.connected);
    EXPECT_EQ(bar.count(FailedKey) > 0, bar.shown[1].key == FailedKey);
}

INSTANTIATE_TEST_SUITE_P(
    Connection, BluetoothFailureTest,
    ::testing::Values(BluetoothFailure{"NoRadio", false, true, false, false, "MSG_Connect_Failed", 20200, true},
                      BluetoothFailure{"NotPaired", true, false, false, false, "MSG_NotPaired_Devices", 100, false},
                      BluetoothFailure{"SocketNotCreated", true, true, true, false, "MSG_Connect_Failed", 200, true},
                      BluetoothFailure{"SocketDoesNotConnect", true, true, false, true, "MSG_Connect_Failed", 200, true}),
    [](const auto &p) { return std::string(p.param.name); });

TEST_F(ConnectionTest, ChosenBluetoothDeviceConnectsWithTheWaitIndicator)
{
    sts.CON_Type = true;
    bt.connectMs = 300;
    connection.deviceChosen();
    EXPECT_TRUE(host.wait);
    EXPECT_EQ(bar.count(StartKey), 1);
    clock.advance(100);
    ASSERT_EQ(bt.created, std::vector<QString>{DevA});
    // A second Connect while the socket is still connecting starts nothing new.
    clock.advance(100);
    connection.handleEvent(Connection::EvConnect);
    EXPECT_EQ(bt.created.size(), 1u);
    ASSERT_TRUE(advanceUntil([&] { return link.connected; }, 5000));
    clock.advance(100);
    EXPECT_EQ(bar.count(SuccessKey), 1);
    EXPECT_FALSE(host.wait);
}

TEST_F(ConnectionTest, ChoosingAnotherDeviceWhileConnectedSwitchesTheLinkToIt)
{
    sts.CON_Type = true;
    connection.start(true);
    ASSERT_TRUE(advanceUntil([&] { return link.connected; }, 5000));
    sts.CON_Addr = DevB;
    connection.deviceChosen();
    EXPECT_TRUE(link.pendingReconnect);
    EXPECT_FALSE(host.wait);
    ASSERT_TRUE(advanceUntil([&] { return !link.connected; }, 2000));
    ASSERT_TRUE(advanceUntil([&] { return link.connected; }, 5000));
    EXPECT_EQ(bt.created, (std::vector<QString>{DevA, DevB}));
    EXPECT_EQ(bt.closed, 1);
    const auto *socket = dynamic_cast<const BluetoothSocket *>(link.transport());
    ASSERT_NE(socket, nullptr);
    EXPECT_EQ(socket->address(), DevB);
}
