#include "link/ScriptEngine.h"

#include "config/Config_Record.h"
#include "link/EcuState.h"
#include "link/LinkFrame.h"

#include <gtest/gtest.h>

using namespace qn;

namespace {

// Runs the engine and records the requests it builds (command byte and mode or address byte).
struct Harness {
    LinkFrame frame;
    EcuState ecu;
    Config_Record config;
    std::vector<QByteArray> requests;
    std::vector<std::pair<int, int>> events;
    std::vector<QString> errors;
    int established = 0;
    ScriptEngine engine{ScriptEngine::Env{
        frame, ecu, config, [this] { requests.push_back(frame.requestBytes()); },
        [this] { ++established; }, [this](int c, int d) { events.push_back({c, d}); },
        [this](const QString &t) { errors.push_back(t); }}};

    Harness()
    {
        ecu.identityLength = 39;
        ecu.liveLength = 66;
        ecu.configLength = 139;
        ecu.modeByte = 1;
    }
    // Command bytes of the next n requests.
    std::vector<int> next(int n)
    {
        std::vector<int> out;
        for (int i = 0; i < n; ++i) {
            requests.clear();
            engine.run();
            out.push_back(requests.empty() ? -1 : uint8_t(requests.back()[1]));
        }
        return out;
    }
    int lastParam(int byte) const { return uint8_t(requests.back()[byte - 1]); }
};

} // namespace

TEST(ScriptEngine, ConnectThenPollSequence)
{
    Harness h;
    h.engine.loadConnectScript();
    EXPECT_EQ(h.next(3), (std::vector<int>{Cmd::IdentityLength, Cmd::Identity, Cmd::CarNumber}));
    EXPECT_EQ(h.established, 0);
    EXPECT_EQ(h.next(1), (std::vector<int>{Cmd::Configuration}));
    EXPECT_EQ(h.established, 1); // word 20 runs between the car number and the configuration
    EXPECT_EQ(h.next(6), (std::vector<int>{Cmd::Identity, Cmd::LiveData, Cmd::Identity, Cmd::LiveData,
                                           Cmd::Identity, Cmd::LiveData}));
    // Expected answer lengths follow the identity answer.
    EXPECT_EQ(h.frame.expected, 69);
}

TEST(ScriptEngine, KeyDispatchBetweenLiveDataRequests)
{
    Harness h;
    h.engine.callScript(4);
    h.engine.setPosition(0);
    EXPECT_EQ(h.next(2), (std::vector<int>{Cmd::Identity, Cmd::LiveData}));
    h.engine.keys().push(3); // petrol
    h.engine.keys().push(2); // gas
    h.engine.keys().push(3); // already queued: dropped
    EXPECT_EQ(h.engine.keys().count(), 2);
    EXPECT_EQ(h.next(1), (std::vector<int>{Cmd::FuelMode}));
    EXPECT_EQ(h.lastParam(4), 1);
    EXPECT_EQ(h.next(3), (std::vector<int>{Cmd::Identity, Cmd::LiveData, Cmd::FuelMode}));
    EXPECT_EQ(h.lastParam(4), 4);
    EXPECT_EQ(h.next(3), (std::vector<int>{Cmd::Identity, Cmd::LiveData, Cmd::Identity}));
}

TEST(ScriptEngine, KeyQueueHoldsTenDistinctCodes)
{
    KeyQueue q;
    for (int code = 1; code <= 12; ++code)
        q.push(uint8_t(code));
    EXPECT_EQ(q.count(), 10);
    for (int code = 1; code <= 10; ++code)
        EXPECT_EQ(q.pop(), code);
    EXPECT_EQ(q.pop(), 0);
}

TEST(ScriptEngine, CyclingFuelMode)
{
    struct Case {
        uint8_t mode;
        int sent; // -1: no fuel-mode request, the poll script follows
    } cases[] = {{1, 2}, {2, 4}, {4, 1}, {0, -1}, {3, -1}, {0x84, -1}};
    for (const auto &c : cases) {
        Harness h;
        h.ecu.modeByte = c.mode;
        h.engine.keys().push(1);
        h.engine.load({200, 43}, 0);
        h.next(1);
        if (c.sent < 0) {
            EXPECT_EQ(uint8_t(h.requests.back()[1]), Cmd::Identity) << int(c.mode);
        } else {
            EXPECT_EQ(uint8_t(h.requests.back()[1]), Cmd::FuelMode);
            EXPECT_EQ(h.lastParam(4), c.sent) << int(c.mode);
        }
    }
}

TEST(ScriptEngine, Key8SkipsWhatIsAlreadySet)
{
    Harness h;
    h.config.GLS_Type = 5;
    h.config.Switch_byte_3 = 0x40;
    h.ecu.swlState = 0;
    h.engine.keys().push(8);
    h.engine.load({200}, 0);
    EXPECT_EQ(h.next(2), (std::vector<int>{Cmd::Identity, Cmd::LiveData}));
    EXPECT_TRUE(h.events.empty());
    EXPECT_EQ(h.next(1), (std::vector<int>{Cmd::Identity})); // poll script after event 14
    EXPECT_EQ(h.events, (std::vector<std::pair<int, int>>{{14, 2000}}));
}

TEST(ScriptEngine, Key8WritesWhatIsMissing)
{
    struct Case {
        const char *what;
        uint8_t glsType, switch3, swlState;
        std::vector<int> expect;
    } cases[] = {
        // Making the software sensor the level sensor resets its state, so no command follows.
        {"sensor type and switch byte", 3, 0x02, 0x10,
         {Cmd::WriteEnable, Cmd::ConfigWrite, Cmd::WriteEnable, Cmd::ConfigWrite, Cmd::Identity, Cmd::LiveData,
          Cmd::Identity}},
        {"switch byte, sensor waiting", 5, 0x02, 0x40,
         {Cmd::WriteEnable, Cmd::ConfigWrite, Cmd::Identity, Cmd::LiveData, Cmd::LevelSensor, Cmd::Identity}},
    };
    for (const auto &c : cases) {
        Harness h;
        h.config.GLS_Type = c.glsType;
        h.config.GLS_Options = 0x01;
        h.config.Switch_byte_3 = c.switch3;
        h.config.Switch_byte_4 = 0x77;
        h.ecu.swlState = c.swlState;
        h.engine.keys().push(8);
        h.engine.load({200}, 0);
        std::vector<QByteArray> all;
        std::vector<int> cmds;
        for (size_t i = 0; i < c.expect.size(); ++i) {
            cmds.push_back(h.next(1)[0]);
            all.push_back(h.requests.back());
        }
        EXPECT_EQ(cmds, c.expect) << c.what;
        EXPECT_EQ(h.config.GLS_Type, 5) << c.what;
        EXPECT_EQ(h.config.Switch_byte_3, c.switch3 | 0x40) << c.what;
        EXPECT_EQ(h.events, (std::vector<std::pair<int, int>>{{14, 2000}})) << c.what;
        for (const QByteArray &r : all) {
            if (uint8_t(r[1]) == Cmd::ConfigWrite && uint8_t(r[2]) == 93) {
                EXPECT_EQ(r.mid(2, 3).toHex(), QByteArray("5d0501"));
            }
            if (uint8_t(r[1]) == Cmd::ConfigWrite && uint8_t(r[2]) == 68) {
                EXPECT_EQ(r.mid(2, 3).toHex(), QByteArray("444277"));
            }
            if (uint8_t(r[1]) == Cmd::LevelSensor) {
                EXPECT_EQ(r.mid(2, 2).toHex(), QByteArray("0002"));
            }
        }
    }
}

TEST(ScriptEngine, ControlWords)
{
    struct Case {
        const char *what;
        std::vector<int32_t> words;
        std::vector<int> expect;
    } cases[] = {
        // jump over a request: 0 -> word 4
        {"jump", {0, 4, 40, 42}, {Cmd::CarNumber}},
        // relative jump from word 1 by 3 lands on word 4
        {"relative jump", {1, 3, 40, 42}, {Cmd::CarNumber}},
        // loop twice back to word 1 (the request), then fall through to word 6
        {"counted loop", {40, 2, 1, 2, 0, 42}, {Cmd::IdentityLength, Cmd::IdentityLength, Cmd::IdentityLength, Cmd::CarNumber}},
        // condition false with count 4 resumes 5 words after the condition word
        {"false condition skips", {203, 4, 40, 40, 40, 42}, {Cmd::CarNumber}},
        {"true condition runs on", {201, 4, 40, 40, 40, 42}, {Cmd::IdentityLength}},
        {"call script", {3, 2}, {Cmd::FuelMode, Cmd::Identity}},
    };
    for (const auto &c : cases) {
        Harness h;
        h.config.Switch_byte_3 = 0x40; // 203 false
        h.config.GLS_Type = 1;         // 201 true
        h.engine.load(c.words, 0);
        EXPECT_EQ(h.next(int(c.expect.size())), c.expect) << c.what;
        EXPECT_TRUE(h.errors.empty()) << c.what;
    }
}

TEST(ScriptEngine, ErrorsAreReportedOnceAndSkipped)
{
    Harness h;
    h.engine.load({5, 99, 204, 1, 42}, 0);
    h.next(1);
    EXPECT_EQ(uint8_t(h.requests.back()[1]), Cmd::CarNumber); // the run went on
    ASSERT_EQ(h.errors.size(), 1u);
    EXPECT_EQ(h.errors[0], QStringLiteral("Error Script\n\rScript number : 1\n\rScript : 5"));
}

TEST(ScriptEngine, BrokenScriptsStopInsteadOfHanging)
{
    struct Case {
        const char *what;
        std::vector<int32_t> words;
    } cases[] = {
        {"endless side effects", {45, 0, 1}},
        {"jump outside the buffer", {0, 500}},
        {"negative relative jump", {1, -10}},
        {"running off the end", {}},
        {"unknown built-in script", {3, 9}},
    };
    for (const auto &c : cases) {
        Harness h;
        std::vector<int32_t> words = c.words;
        if (words.empty()) {
            words.assign(ScriptEngine::Size, 54); // side effect only, all the way to the end
        }
        h.engine.load(words, 0);
        h.engine.run();
        EXPECT_TRUE(h.requests.empty()) << c.what;
        EXPECT_EQ(h.errors.size(), 1u) << c.what;
    }
}
